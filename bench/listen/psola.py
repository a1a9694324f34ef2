#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""psola.py: a TD-PSOLA time stretch (pitch kept), prototype.

  psola.py NAME [--half odd|even|all] [--speeds 0.5,...] [key=value ...]
renders every material file of the chosen half at every speed into
$PSOLA_ROOT/out/NAME (default /tmp/psola)/SPEED/SET-ID.wav (mono 44.1 kHz 16-bit), length exactly round(n / speed).

Algorithm (see stretch()):
 1. analysis: YIN-style cumulative-mean-normalised difference on a 4x decimated copy
    (11025 Hz), window WIN_MS, hop 220 samples (4.99 ms), lags F0_MIN..F0_MAX.
 2. voicing per frame: aperiodicity < V_THR and frame RMS above E_THR dBFS; voiced runs shorter
    than MIN_RUN frames dropped, unvoiced gaps up to FILL frames filled; voiced runs extended by
    EXT frames on both sides.
 3. pitch marks, per voiced run, chained forwards from the run's first sample:
    t[k+1] = t[k] + tau, tau = the lag within +-REFINE of the tracked period P(t[k]) that
    maximises the normalised cross-correlation of x[t-P/2, t+P/2) with x[t+tau-P/2, ...).
 4. synthesis marks u[j] on the output timeline, u[0] = 0, u[j+1] = u[j] + D[j]:
    input position q = u[j] * speed; if q lies within a voiced run's marks (first - P/2 ..
    last + P/2) the grain is centred on the mark nearest q and D[j] = that mark's forward
    spacing (one period); else the grain is centred on round(q) (+ optional similarity search)
    and D[j] = UV_HOP.
 5. grain j is x around its centre times an asymmetric Hann window whose left half spans
    u[j-1]..u[j] and right half u[j]..u[j+1]: the windows sum to exactly 1, no normalisation.
"""
import os
import sys

import numpy as np
from scipy.signal import resample_poly

ROOT = os.environ.get('PSOLA_ROOT', '/tmp/psola')
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../../shared/listen'))
from common import SPEEDS, material, read_audio, speed_dir, write_wav16  # noqa: E402

FS = 44100
P = dict(
    WIN_MS=30.0,      # analysis window
    F0_MIN=60.0,
    F0_MAX=500.0,
    YIN_THR=0.2,      # first dip under this (then followed to its minimum), else the deepest
    V_THR=0.35,       # voiced: aperiodicity under this
    E_THR=-55.0,      # voiced also needs frame RMS above this (dBFS)
    MIN_RUN=3,        # frames
    FILL=2,           # frames
    EXT=1,            # frames
    REFINE=0.03,      # relative lag search around the tracked period when chaining marks
    UV_SEQ_MS=40.0,   # unvoiced: verbatim sequence length (WSOLA-like)
    UV_OV_MS=8.0,     # unvoiced: crossfade length
    UV_SEEK_MS=7.5,  # unvoiced: similarity search +- this around the timeline
    SEEK_STEP=2,
    SEEK_FWD=0,       # 1: search [target, target + seek] only
    LINEAR=0,         # 1: linear crossfades
    UV_ALIGN=2,       # 0 centre, 1 start, 2 start after a voiced run / end before one / else centre
    HYST_MS=5.0,      # voiced: play marks on verbatim while |content - timeline| <= this (0: PSOLA)
    JUMP_SEEK=0,      # on a jump: search +-P/2 for the best continuation and re-chain marks there
    JUMP_SPAN=1.0,    # ... comparing +- this many periods
    HYST_MID_MS=0.0,  # ... this instead when at least EDGE_ZONE_MS inside the voiced run
    EDGE_ZONE_MS=30.0,
    HYST_BACK=1.0,    # on a jump, land this share of (HYST - P/2) on the other side of the timeline
    BETA=1.0,         # voiced crossfade length as a share of the period (1: two-period Hann PSOLA)
    NCC_SPAN=1.0,     # mark chaining NCC window: +- this many periods
    ANCHOR=1,         # entering a voiced run: chain marks from the natural continuation
    ANCHOR_MAX_MS=15.0,
    TR=1,             # transition-weighted timeline
    TR_LO=2.0,        # flux (mean |dB| over bands, frames 2 hops apart) where the weight starts
    TR_HI=5.0,        # ... and where it is 1
    TR_W=1.0,         # weight scale
    TR_MS=40.0,       # compensation kernel half-width
    TR_FLOOR=-60.0,   # band floor for the flux (dB re full scale per bin)
    TV_G=0.0,         # voiced dilation: voiced frames get (1 + this) times their output time ...
    TV_MS=40.0,       # ... compensated within +- this
    EDGE_PRE_MS=0.0,  # input ms before a voiced run already given to it (its first periods repeated)
    EDGE_POST_MS=0.0, # input ms after a voiced run still given to it (its last periods repeated)
    PER_FIX=1,
    SMOOTH=0.0,       # voiced grains: weight of each neighbouring period mixed in
    SMOOTH_HZ=0.0,    # ... only below this (linear-phase low-pass), 0: full band
    SMOOTH_TAPS=255,
    MED=1,            # median-of-3 on the period track
)
HOP = 220
DEBUG = None
DEC = 4


def track(x, p):
    """Per frame (centre = k*HOP): period in 44.1k samples, aperiodicity, RMS dBFS."""
    y = resample_poly(x, 1, DEC)
    fs = FS / DEC
    hop = HOP // DEC
    W = int(round(p['WIN_MS'] * fs / 1000))
    tmin = int(fs / p['F0_MAX'])
    tmax = int(np.ceil(fs / p['F0_MIN'])) + 1
    n = len(x) // HOP + 1
    L = W + tmax
    # frame k: window centred on k*hop: samples [c - L/2, c + L/2)
    pad = L
    yp = np.concatenate([np.zeros(pad), y, np.zeros(pad)])
    starts = np.arange(n) * hop - (W + int(fs / 150)) // 2 + pad   # integration centred for ~150 Hz
    fr = yp[starts[:, None] + np.arange(L)[None, :]]
    cs = np.concatenate([np.zeros((n, 1)), np.cumsum(fr * fr, axis=1)], axis=1)
    taus = np.arange(tmax + 1)
    e0 = cs[:, W][:, None]
    et = cs[:, W + taus] - cs[:, taus]
    nf = 1 << int(np.ceil(np.log2(L + W)))
    r = np.fft.irfft(np.conj(np.fft.rfft(fr[:, :W], nf)) * np.fft.rfft(fr, nf), nf)[:, :tmax + 1]
    d = np.maximum(e0 + et - 2 * r, 0)
    d[:, 0] = 0
    cm = np.ones_like(d)
    run = np.cumsum(d[:, 1:], axis=1)
    cm[:, 1:] = d[:, 1:] * taus[1:] / np.maximum(run, 1e-30)
    per = np.zeros(n)
    ap = np.ones(n)
    thr = p['YIN_THR']
    for k in range(n):
        c = cm[k]
        seg = c[tmin:tmax]
        under = np.nonzero(seg < thr)[0]
        if len(under):
            t = tmin + under[0]
            while t + 1 < tmax and c[t + 1] < c[t]:
                t += 1
        else:
            t = tmin + int(np.argmin(seg))
        a, b, cc = c[t - 1], c[t], c[t + 1]
        den = a - 2 * b + cc
        dt = 0.5 * (a - cc) / den if den > 0 else 0.0
        per[k] = (t + max(-1.0, min(1.0, dt))) * DEC
        ap[k] = b
    rms = 10 * np.log10(np.maximum(e0[:, 0] / W, 1e-20))   # dB RMS
    return per, ap, rms


def runs(mask):
    d = np.diff(np.concatenate([[0], mask.astype(np.int8), [0]]))
    return list(zip(np.nonzero(d == 1)[0], np.nonzero(d == -1)[0]))


def voicing(per, ap, rms, p):
    v = (ap < p['V_THR']) & (rms > p['E_THR'])
    # fill short unvoiced gaps
    for a, b in runs(~v):
        if a > 0 and b < len(v) and b - a <= p['FILL']:
            v[a:b] = True
    for a, b in runs(v):
        if b - a < p['MIN_RUN']:
            v[a:b] = False
    e = int(p['EXT'])
    if e:
        v2 = v.copy()
        for a, b in runs(v):
            v2[max(0, a - e):min(len(v), b + e)] = True
        v = v2
    return v


def ncc_lag(x, t, P0, rel, span=1.0):
    """Lag near P0 maximising the NCC of x[t-h, t+h) and x[t+lag-h, t+lag+h), h = span*P0
    (parabolic refinement: fractional)."""
    t = int(round(t))
    h = max(8, int(P0 * span))
    lo = int(np.floor(P0 * (1 - rel))) - 1
    hi = int(np.ceil(P0 * (1 + rel))) + 1
    if t - h < 0 or t + hi + h > len(x):
        return float(P0)
    a = x[t - h:t + h]
    seg = x[t + lo - h:t + hi + h]
    lags = np.arange(lo, hi + 1)
    idx = (lags - lo)[:, None] + np.arange(2 * h)[None, :]
    B = seg[idx]
    num = B @ a
    den = np.sqrt(np.sum(B * B, axis=1) * np.dot(a, a)) + 1e-30
    c = num / den
    k = int(np.argmax(c))
    if 0 < k < len(c) - 1:
        d = c[k - 1] - 2 * c[k] + c[k + 1]
        off = 0.5 * (c[k - 1] - c[k + 1]) / d if d < 0 else 0.0
        return float(lags[k] + max(-0.5, min(0.5, off)))
    return float(lags[k])


def marks_for(x, per, v, p):
    """[(marks array, first, last)] per voiced run; marks integer samples."""
    out = []
    n = len(per)
    if p['MED']:
        pm = per.copy()
        pm[1:-1] = np.median(np.vstack([per[:-2], per[1:-1], per[2:]]), axis=0)
        per = np.where(v, pm, per)
    for a, b in runs(v):
        s0 = a * HOP - HOP // 2
        s1 = (b - 1) * HOP + HOP // 2
        s0 = max(s0, 0)
        s1 = min(s1, len(x) - 1)
        fr = np.arange(a, b)
        pr = per[a:b]
        def P_at(t):
            return float(np.interp(t / HOP, fr, pr))
        t = s0
        mk = [t]
        while True:
            P0 = P_at(t + P_at(t) / 2)
            lag = ncc_lag(x, t, P0, p['REFINE'])
            t = t + lag
            if t > s1:
                break
            mk.append(t)
        if len(mk) >= 2:
            out.append(np.array(mk, dtype=np.int64))
    return out


def ncc_best(x, tmpl, lo, hi, step=1):
    """Start in [lo, hi] whose segment best matches tmpl (normalised cross-correlation)."""
    F = len(tmpl)
    lo = max(lo, 0)
    hi = min(hi, len(x) - F)
    if hi < lo or F == 0:
        return None
    seg = x[lo:hi + F]
    W = np.lib.stride_tricks.sliding_window_view(seg, F)[::step]
    num = W @ tmpl
    e = np.cumsum(np.concatenate([[0.0], seg * seg]))
    starts = np.arange(0, hi - lo + 1, step)
    en = e[starts + F] - e[starts]
    val = num / np.sqrt(np.maximum(en * np.dot(tmpl, tmpl), 1e-30))
    return lo + int(starts[np.argmax(val)])


class Runs:
    """Voiced runs of the input with lazily chained pitch marks."""
    def __init__(self, x, per, v, p, ap=None):
        self.x, self.p = x, p
        per = per.copy()
        if ap is not None and p['PER_FIX']:
            # frames of a run that are not themselves periodic (filled gaps, extensions) take
            # the period of the nearest frame that is
            good = ap < p['V_THR']
            for a, b in runs(v):
                g = np.nonzero(good[a:b])[0]
                if len(g) == 0:
                    continue
                for k in range(a, b):
                    if not good[k]:
                        per[k] = per[a + g[np.argmin(np.abs(g - (k - a)))]]
        pm = per.copy()
        if p['MED']:
            pm[1:-1] = np.median(np.vstack([per[:-2], per[1:-1], per[2:]]), axis=0)
            pm = np.where(v, pm, per)
        self.per = pm
        self.runs = []
        for a, b in runs(v):
            s0 = max(a * HOP - HOP // 2, 0)
            s1 = min((b - 1) * HOP + HOP // 2, len(x) - 1)
            self.runs.append([s0, s1, a, b, None])   # marks None until anchored
        self.starts = np.array([r[0] for r in self.runs]) if self.runs else np.zeros(0)
        self.pre = p['EDGE_PRE_MS'] * FS / 1000
        self.post = p['EDGE_POST_MS'] * FS / 1000

    def P_at(self, r, t):
        a, b = self.runs[r][2], self.runs[r][3]
        return float(np.interp(t / HOP, np.arange(a, b), self.per[a:b]))

    def find(self, q):
        """Run index containing input position q (with half a period of slack), or -1."""
        r = int(np.searchsorted(self.starts, q + 0.0, side='right')) - 1
        if r + 1 < len(self.runs) and q >= self.entry(r + 1):
            return r + 1
        if r >= 0 and q <= self.runs[r][1] + 0.5 * self.P_at(r, self.runs[r][1]) + self.post:
            return r
        return -1

    def entry(self, r):
        """Input position from which the timeline is handled by run r."""
        return self.runs[r][0] - 0.5 * self.P_at(r, self.runs[r][0]) - self.pre

    def anchor(self, r, t):
        self.runs[r][4] = [float(t)]

    def mark_near(self, r, q):
        """(centre, forward spacing) of the mark nearest q, chaining marks as far as needed."""
        run = self.runs[r]
        mk = run[4]
        while mk[-1] <= q + 1 and mk[-1] <= run[1]:
            t = mk[-1]
            P0 = self.P_at(r, t + self.P_at(r, t) / 2)
            mk.append(t + ncc_lag(self.x, t, P0, self.p['REFINE'], self.p['NCC_SPAN']))
        # nearest
        k = int(np.searchsorted(mk, q))
        if k >= len(mk):
            k = len(mk) - 1
        elif k > 0 and q - mk[k - 1] <= mk[k] - q:
            k -= 1
        if k + 1 >= len(mk):   # need the forward spacing
            t = mk[-1]
            P0 = self.P_at(r, t + self.P_at(r, t) / 2)
            mk.append(t + ncc_lag(self.x, t, P0, self.p['REFINE'], self.p['NCC_SPAN']))
        return mk[k], mk[k + 1] - mk[k], k

    def mark_at(self, r, k):
        """(centre, forward spacing) of mark k of run r, chaining as needed (None past the run)."""
        run = self.runs[r]
        mk = run[4]
        while len(mk) <= k + 1:
            t = mk[-1]
            if t > run[1] and len(mk) > k:
                break
            P0 = self.P_at(r, t + self.P_at(r, t) / 2)
            mk.append(t + ncc_lag(self.x, t, P0, self.p['REFINE'], self.p['NCC_SPAN']))
        if k + 1 >= len(mk) or mk[k] > run[1] + 0.5 * (mk[k] - mk[k - 1] if k else 0):
            return None
        return mk[k], mk[k + 1] - mk[k]


def flux(x, p):
    """Per frame (centre k*HOP): spectral change, mean |dB difference| over 16 bands between the
    frames one hop before and after (23 ms Hann frames on the 4x decimated copy)."""
    y = resample_poly(x, 1, DEC)
    hop = HOP // DEC
    N = 256
    n = len(x) // HOP + 1
    yp = np.concatenate([np.zeros(N), y, np.zeros(N + hop * 2)])
    idx = (np.arange(n)[:, None] * hop + N - N // 2) + np.arange(N)[None, :]
    S = np.abs(np.fft.rfft(yp[idx] * np.hanning(N), axis=1)) ** 2
    edges = np.unique(np.round(np.geomspace(2, 128, 17)).astype(int))
    B = np.add.reduceat(S, edges[:-1], axis=1)
    L = 10 * np.log10(np.maximum(B, 10 ** (p['TR_FLOOR'] / 10) * N))
    d = np.zeros(n)
    d[1:-1] = np.mean(np.abs(L[2:] - L[:-2]), axis=1)
    return d


def timeline(x, speed, v, p):
    """The output<->input time map. Plain: input = output * speed. With TR: spectral transitions
    (flux above TR_LO..TR_HI, weight 0..1) play at up to 1.0x, and the time they save or cost is
    given back by the frames around them (a Hann kernel of +-TR_MS), so that the map stays within a
    few ms of output*speed and returns to it."""
    n = len(x)
    if not p['TR'] and not p['TV_G']:
        return (lambda u: u * speed), (lambda q: q / speed)
    tin = np.arange(len(v)) * HOP

    def dev(cum, ms):
        K = max(1, int(round(ms * FS / 1000 / HOP)))
        h = np.hanning(2 * K + 3)[1:-1]
        h /= h.sum()
        cp = np.concatenate([np.full(K, cum[0]), cum, np.full(K, cum[-1])])
        return cum - np.convolve(cp, h, mode='valid')
    T = tin / speed
    if p['TR']:
        d = flux(x, p)[:len(v)]
        w = np.clip((d - p['TR_LO']) / max(p['TR_HI'] - p['TR_LO'], 1e-9), 0, 1) * p['TR_W']
        T = T - (1 / speed - 1) * dev(np.cumsum(w) * HOP, p['TR_MS'])
    if p['TV_G']:
        # voiced frames get (1 + G) times their share of output time, locally compensated
        T = T + p['TV_G'] / speed * dev(np.cumsum(v.astype(float)) * HOP, p['TV_MS'])
    T = np.maximum.accumulate(T)
    T[0] = 0.0
    return (lambda u: float(np.interp(u, T, tin, right=tin[-1] + (u - T[-1]) * speed))), \
           (lambda q: float(np.interp(q, tin, T, right=T[-1] + (q - tin[-1]) / speed)))


def stretch(x, speed, p=P):
    n_in = len(x)
    n_out = int(round(n_in / speed))
    per, ap, rms = track(x, p)
    v = voicing(per, ap, rms, p)
    R = Runs(x, per, v, p, ap)
    qmap, tmap = timeline(x, speed, v, p)
    ms = FS / 1000.0
    SEQ = int(round(p['UV_SEQ_MS'] * ms))
    OV = int(round(p['UV_OV_MS'] * ms))
    SEEK = int(round(p['UV_SEEK_MS'] * ms))
    PADX = 4 * SEQ + 4000
    xp = np.concatenate([np.zeros(PADX), x, np.zeros(PADX)])
    xlp = None
    if p['SMOOTH'] > 0 and p['SMOOTH_HZ'] > 0:
        from scipy.signal import firwin
        taps = firwin(int(p['SMOOTH_TAPS']) | 1, p['SMOOTH_HZ'], fs=FS)   # linear phase: delay = taps/2
        xlp = np.convolve(xp, taps, mode='same')
    out = np.zeros(n_out + 2 * PADX)
    o_f = 0.0          # output start of the grain being made (its rise starts here)
    rise_f = 0.0       # its rise length (= the previous grain's fall)
    prev = None        # (output start, input start) of the previous grain (integers)
    cur_run = -1
    prev_k = None
    mark_u = None      # where the next voiced mark goes when the previous grain was voiced
    beta = p['BETA']
    while round(o_f) < n_out:
        o = int(round(o_f))
        u_f = mark_u if mark_u is not None else o_f + rise_f
        ui = int(round(u_f))
        rise = int(round(o_f + rise_f)) - o
        q = qmap(u_f)
        r = R.find(q)
        if r >= 0:
            q_in = q
            q = min(max(q, R.runs[r][0]), R.runs[r][1])     # beyond the run's ends: hold its end periods
            if r != cur_run:
                # entering a voiced run: chain its marks from the continuation of what plays now
                anc = q
                if prev is not None and p['ANCHOR'] == 1:
                    nat = prev[1] + (ui - prev[0])
                    if abs(nat - q) <= p['ANCHOR_MAX_MS'] * ms and nat >= R.runs[r][0]:
                        anc = nat
                elif p['ANCHOR'] == 2:
                    P0 = R.P_at(r, q)
                    a0 = int(max(0, q - P0 / 2))
                    seg = x[a0:a0 + int(P0)]
                    if len(seg):
                        anc = a0 + int(np.argmax(np.abs(seg)))
                R.anchor(r, anc)
                cur_run = r
                prev_k = None
            got = None
            J = p['HYST_MS'] * ms
            if p['HYST_MID_MS'] > 0:
                z = p['EDGE_ZONE_MS'] * ms
                if q - R.runs[r][0] >= z and R.runs[r][1] - q >= z:
                    J = p['HYST_MID_MS'] * ms
            if prev_k is not None and J > 0:
                got = R.mark_at(r, prev_k + 1)          # play on, verbatim
                if got is not None:
                    lead = got[0] - q
                    P0 = got[1]
                    if abs(lead) > max(J, P0 / 2):
                        got = None                      # too far from the timeline: jump
            if got is None:
                if J > 0 and prev_k is not None:
                    P0 = R.P_at(r, q)
                    back = max(0.0, J - P0 / 2) * p['HYST_BACK']
                    tq = q - back if speed < 1 else q + back
                else:
                    tq = q
                if p['JUMP_SEEK'] and J > 0 and prev_k is not None:
                    # land where the waveform best continues the grain that would have come next
                    nat = R.runs[r][4][prev_k] + R.runs[r][4][prev_k + 1] - R.runs[r][4][prev_k] \
                        if len(R.runs[r][4]) > prev_k + 1 else q
                    P0 = R.P_at(r, tq)
                    hw = int(P0 * p['JUMP_SPAN'])
                    a0 = int(round(nat)) - hw
                    if a0 >= 0 and a0 + 2 * hw <= len(x):
                        tmpl = x[a0:a0 + 2 * hw]
                        b = ncc_best(x, tmpl, int(round(tq - P0 / 2)) - hw, int(round(tq + P0 / 2)) - hw, 1)
                        if b is not None:
                            R.anchor(r, b + hw)
                            R.runs[r][4].insert(0, -1e9)      # keep indices >= 1
                c, D, k = R.mark_near(r, tq)
            else:
                c, D = got
                k = prev_k + 1
            prev_k = k
            i0 = int(round(c)) - (ui - o)
            fs0 = int(round(u_f + D / 2 - beta * D / 2))
            end = int(round(u_f + D / 2 + beta * D / 2))
            fall = end - fs0
            n = end - o
            next_o, next_rise = u_f + D / 2 - beta * D / 2, beta * D
            mark_u = u_f + D
        else:
            cur_run = -1
            prev_k = None
            mark_u = None
            fall = OV
            n = max(SEQ, rise + fall)
            # stop where the next voiced run starts on the timeline
            nxt = int(np.searchsorted(R.starts, q, side='right'))
            edge = False
            if nxt < len(R.runs):
                ov = tmap(R.entry(nxt))
                want = int(np.ceil(ov - o)) + 1      # fall start + its length reaches the run
                if want <= n:
                    edge = True
                n = max(rise + fall, min(n, want))
            al = p['UV_ALIGN']
            if al == 0 or (al == 2 and not edge and prev is not None and not prev[2]):
                tgt = int(round(qmap(o + n / 2) - n / 2))          # centre on the timeline
            elif al == 1 or (al == 2 and prev is not None and prev[2]):
                tgt = int(round(qmap(o)))                           # start on the timeline
            else:
                tgt = int(round(qmap(o + n) - n))                 # end on the timeline
            i0 = tgt
            if prev is not None and rise > 0 and SEEK > 0:
                nat = prev[1] + (o - prev[0])
                tmpl = xp[PADX + nat: PADX + nat + rise]
                lo_s = tgt if p['SEEK_FWD'] else tgt - SEEK
                b = ncc_best(xp, tmpl, PADX + lo_s, PADX + tgt + SEEK, p['SEEK_STEP'])
                if b is not None:
                    i0 = b - PADX
            next_o, next_rise = float(o + n - fall), float(fall)
        w = np.ones(n)
        if p['LINEAR']:
            if rise:
                w[:rise] = np.arange(rise) / rise
            w[n - fall:] = 1 - np.arange(fall) / fall
        else:
            if rise:
                w[:rise] = 0.5 * (1 - np.cos(np.pi * np.arange(rise) / rise))
            w[n - fall:] = 0.5 * (1 + np.cos(np.pi * np.arange(fall) / fall))
        g = xp[PADX + i0: PADX + i0 + n]
        if r >= 0 and p['SMOOTH'] > 0:
            # periodicity smoothing: mix in the neighbouring periods, aligned on their marks
            mk = R.runs[r][4]
            a = p['SMOOTH']
            nb = [mk[j] for j in (k - 1, k + 1) if 0 <= j < len(mk) and mk[j] > -1e8]
            if nb:
                src = xlp if xlp is not None else xp
                acc = -len(nb) * src[PADX + i0: PADX + i0 + n]
                for cj in nb:
                    j0 = int(round(cj)) - (int(round(c)) - i0)
                    acc = acc + src[PADX + j0: PADX + j0 + n]
                g = g + a * acc
        out[PADX + o: PADX + o + n] += g * w
        if DEBUG is not None:
            DEBUG.append((o, i0, n, rise, fall, r))
        prev = (o, i0, r >= 0)
        o_f, rise_f = next_o, next_rise
    return out[PADX:PADX + n_out]


def main():
    args = sys.argv[1:]
    name = args[0]
    half = 'odd'
    speeds = SPEEDS
    p = dict(P)
    i = 1
    while i < len(args):
        if args[i] == '--half':
            half = args[i + 1]
            i += 2
        elif args[i] == '--speeds':
            speeds = [float(s) for s in args[i + 1].split(',')]
            i += 2
        else:
            k, val = args[i].split('=')
            p[k] = type(P[k])(float(val))
            i += 1
    files = [f for f in material(os.path.join(ROOT, 'work'))
             if half == 'all' or (int(f[1]) % 2 == 1) == (half == 'odd')]
    for set_, id_, src in files:
        x, _ = read_audio(src)
        for sp in speeds:
            y = stretch(x, sp, p)
            assert len(y) == int(round(len(x) / sp))
            write_wav16(os.path.join(os.path.join(ROOT, 'out'), name, speed_dir(sp), '%s-%s.wav' % (set_, id_)), y, FS)


if __name__ == '__main__':
    main()
