#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""measure.py METHOD[,METHOD...] [--half odd|even|all] [--root OUTROOT] [--speeds ...]
Measures outputs WORK/out/METHOD/SPEED/SET-ID.wav (or OUTROOT/METHOD/...) with analyse.py's own
Original() and measure(); aggregates per set and speed as analyse.py main's agg() does.
Per-file results cached in $PSOLA_ROOT/cache.json keyed by path and mtime."""
import json, math, os, sys, argparse
from multiprocessing import Pool
ROOT = os.environ.get('PSOLA_ROOT', '/tmp/psola')
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '../../../shared/listen'))
import analyse
from common import SPEEDS, SETS, material, speed_dir

WORK = os.path.join(ROOT, 'work')
CACHE = os.path.join(ROOT, 'cache.json')
_orig = {}

def one(args):
    src, p, sp = args
    if src not in _orig:
        _orig.clear()
        _orig[src] = analyse.Original(src)
    r = analyse.measure(_orig[src], p, sp)
    return p, r

def agg(rs, what):
    def ratio(num, den, scale=1.0):
        n = sum(r.get(den, 0) for r in rs)
        return scale * sum(r.get(num, 0) for r in rs) / n if n else None
    if what == 'lsd':
        return ratio('lsd_sum', 'lsd_n')
    if what == 'f0rms':
        v = ratio('f0_sq_fine', 'n_fine')
        return math.sqrt(v) if v is not None else None
    if what == 'kept':
        return ratio('n_kept_voiced', 'n_orig_voiced', 100)
    if what == 'gt1':
        return ratio('n_gt1', 'n_joint', 100)
    if what == 'ap':
        return ratio('ap_slow_sum', 'n_ap', 100)
    if what == 'len':
        return max(abs(r['len_err_ms']) for r in rs)

def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('methods')
    ap.add_argument('--half', default='odd')
    ap.add_argument('--root', default=os.path.join(WORK, 'out'))
    ap.add_argument('--jobs', type=int, default=2)
    ap.add_argument('--speeds', default=','.join(str(s) for s in SPEEDS))
    ap.add_argument('--sets', default=','.join(SETS))
    ap.add_argument('--what', default='lsd,f0rms,kept')
    ap.add_argument('--cmp', action='store_true')
    a = ap.parse_args()
    speeds = [float(s) for s in a.speeds.split(',')]
    sets = a.sets.split(',')
    methods = a.methods.split(',')
    files = [f for f in material(WORK) if f[0] in sets and
             (a.half == 'all' or (int(f[1]) % 2 == 1) == (a.half == 'odd'))]
    cache = json.load(open(CACHE)) if os.path.isfile(CACHE) else {}
    todo = []
    for set_, id_, src in files:
        for m in methods:
            for sp in speeds:
                p = os.path.join(a.root, m, speed_dir(sp), '%s-%s.wav' % (set_, id_))
                if not os.path.isfile(p):
                    continue
                k = p
                if k not in cache or cache[k]['mtime'] != os.path.getmtime(p):
                    todo.append((src, p, sp))
    if todo:
        with Pool(a.jobs) as pool:
            for p, r in pool.imap(one, todo, chunksize=4):
                r['mtime'] = os.path.getmtime(p)
                cache[p] = r
        import fcntl
        with open(CACHE + '.lock', 'w') as lk:
            fcntl.flock(lk, fcntl.LOCK_EX)
            disk = json.load(open(CACHE)) if os.path.isfile(CACHE) else {}
            disk.update({k: cache[k] for k in [t[1] for t in todo] if k in cache})
            tmp = CACHE + '.%d.tmp' % os.getpid()
            json.dump(disk, open(tmp, 'w'))
            os.replace(tmp, CACHE)
    whats = a.what.split(',')
    if a.cmp:
        def val(m, s, sp, w, root):
            rs = [cache[p] for p in (os.path.join(root, m, speed_dir(sp), '%s-%s.wav' % (s, i))
                  for ss, i, _ in files if ss == s) if p in cache]
            return agg(rs, w)
        ref = os.path.join(WORK, 'out')
        for m in methods:
            L, F, K = [], [], []
            for s in sets:
                for sp in speeds:
                    L.append(val(m, s, sp, 'lsd', a.root) - val('st-speech', s, sp, 'lsd', ref))
                    F.append(val(m, s, sp, 'f0rms', a.root) - val('rb3p-rt', s, sp, 'f0rms', ref))
                    K.append(val(m, s, sp, 'kept', a.root) - val('rb3p-rt', s, sp, 'kept', ref))
            print('%-14s dLSD(vs st) ' % m + ' '.join('%+5.2f' % v for v in L) + '  max %+5.2f mean %+5.2f' % (max(L), sum(L) / len(L)))
            print('%-14s dF0 (vs rb) ' % '' + ' '.join('%+5.2f' % (v * 10) for v in F) + '  (x10) max %+5.3f' % max(F))
            print('%-14s dKept(vs rb)' % '' + ' '.join('%+5.1f' % v for v in K) + '  min %+5.1f mean %+5.2f' % (min(K), sum(K) / len(K)))
        return
    cols = [(s, sp) for s in sets for sp in speeds]
    for w in whats:
        print('\n%s (%s half)' % (w, a.half))
        print('%-12s' % 'method' + ''.join('%10s' % ('%s %g' % c) for c in cols))
        for m in methods:
            row = []
            for s, sp in cols:
                rs = [cache[p] for p in (os.path.join(a.root, m, speed_dir(sp), '%s-%s.wav' % (s, i))
                      for ss, i, _ in files if ss == s) if p in cache]
                v = agg(rs, w) if rs else None
                row.append('%10s' % ('—' if v is None else ('%.3f' % v if w == 'f0rms' else '%.2f' % v)))
            print('%-12s' % m[:12] + ''.join(row))

if __name__ == '__main__':
    main()
