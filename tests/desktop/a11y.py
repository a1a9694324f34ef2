#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What a screen reader hears of the main window, through the real AT-SPI bus.

Starts the program on a recording, then: the status line is a status bar named with its
meaning and its caption, the file and the time labels likewise; while it plays the time labels
change but send no event; Alt+X is announced once, with the new state, and so is its return.
Then the practice window's 跟读 row is named with what it shows, and a take that hears no voice
is told in words; its Alt+V opens the review window, whose controls are named with what they
show. Run by a11y.sh. Exit status 0 when every check passed.
"""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

PLAYING = "播放状态：正在播放 按 Alt + X 复读　 按 Alt + Z 暂停"
REPEATING = "播放状态：正在复读　按 Alt + X 停止复读并继续朗读"
CONTEXT = GLib.MainContext.default()
failures = []


def check(ok, what):
    print(("PASS " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def pump(seconds, until=lambda: False):
    """Delivers the bus's events for at most `seconds`, or until until() holds."""
    end = time.monotonic() + seconds
    while True:
        while CONTEXT.iteration(False):
            pass
        if until():
            return True
        if time.monotonic() >= end:
            return False
        time.sleep(0.01)


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def find(app, test):
    return next((a for a in descendants(app) if test(a)), None)


def main(program, recording, record):
    events = []  # (role, name) of each name change, read when it arrives

    def heard(event):
        events.append((event.source.getRoleName(), event.source.name))

    # Listen before the program starts: its bridge sends only what someone listens for.
    pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-name")
    process = subprocess.Popen([program, recording])
    try:
        program_on_bus = lambda: next((a for a in pyatspi.Registry.getDesktop(0)
                                       if a is not None and a.name == "tessaly"), None)
        pump(20, lambda: program_on_bus() is not None)
        app = program_on_bus()
        if not check(app is not None, "the program is on the accessibility bus"):
            return
        status_bar = lambda: find(app, lambda a: a.getRole() == pyatspi.ROLE_STATUS_BAR)
        pump(10, lambda: status_bar() is not None and status_bar().name == PLAYING)  # once it plays
        status = status_bar()
        if not check(status is not None, "the status line is a status bar"):
            return
        check(status.name == PLAYING, f"the status line says the state: {status.name!r}")
        named = lambda prefix: find(app, lambda a: a.getRole() == pyatspi.ROLE_LABEL and a.name.startswith(prefix))
        file_label, elapsed, total = named("语音文件："), named("已播放时间："), named("总时间：")
        check(file_label is not None and file_label.name == "语音文件：" + recording,
              f"the file label names the recording: {file_label.name if file_label else None!r}")
        check(total is not None and total.name.startswith("总时间：00:23"),
              f"the length is heard: {total.name if total else None!r}")
        if not check(elapsed is not None, "the elapsed time is heard"):
            return
        twins = [a.name for a in descendants(app) if a.getRole() == pyatspi.ROLE_PUSH_BUTTON
                 and a.name.startswith(("开始11", "退出12", "复读13", "慢速29", "逐句练习38"))]
        check(not twins, f"the off-screen access-key buttons are not read out: {twins}")
        check(find(app, lambda a: a.name == "复读") is not None, "the visible 复读 control is")

        # While it plays, the elapsed time moves but is never announced.
        pump(0.5)
        events.clear()
        before = elapsed.name
        pump(1.5)
        after = elapsed.name
        check(before != after, f"the elapsed time moved while playing ({before!r}, then {after!r})")
        check(not events, f"nothing was announced while it only played: {events}")

        # Alt+X: the loop, announced once with the new state; again: back to playing.
        window = subprocess.run(["xdotool", "search", "--sync", "--pid", str(process.pid)],
                                capture_output=True, text=True, timeout=10).stdout.split()[-1]
        for expected in (REPEATING, PLAYING):
            subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True, timeout=10)
            start = len(events)
            subprocess.run(["xdotool", "key", "alt+x"], check=True, timeout=10)
            arrived = pump(5, lambda: len(events) > start)
            pump(0.5)  # and nothing more
            new = [e for e in events[start:] if e[0] == "status bar"]
            if check(arrived, "Alt+X was announced"):
                check(new == [("status bar", expected)], f"once, with the new state {expected!r}: {events[start:]}")
            check(status.name == expected, f"the status line now says {expected!r}: {status.name!r}")
        timed = [e for e in events if e[1].startswith(("已播放时间", "总时间"))]
        check(not timed, f"the time labels were never announced: {timed}")
        shadow_row(app, window)
        review_window(app, window, record)
    finally:
        process.terminate()
        process.wait(timeout=10)


def key_in(window, keys):
    """Focuses `window` (an X window id, or a title's start) and types `keys` there."""
    if not window.isdigit():
        window = subprocess.run(["xdotool", "search", "--sync", "--name", "^" + window],
                                capture_output=True, text=True, timeout=10).stdout.split()[-1]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True, timeout=10)
    subprocess.run(["xdotool", "key", keys], check=True, timeout=10)


def shadow_row(app, main_window):
    """The practice window's 跟读 row is named with what it shows. F5 records a take (SDL's dummy
    driver is a microphone that hears only silence): the line says so while it records, and
    once the take has run its length without a voice, a 提示窗口 says so, heard in words."""
    key_in(main_window, "alt+w")
    pump(5, lambda: find(app, lambda a: a.name == "逐句练习" and a.getRole() == pyatspi.ROLE_FRAME) is not None)
    for name in ("跟读录音", "原声＋跟读", "只听跟读", "录音音量", "跟读对比图：还没有跟读录音"):
        check(find(app, lambda a, n=name: a.name == n) is not None, f"{name!r} is named for screen readers")
    line = lambda prefix: find(app, lambda a: a.getRole() == pyatspi.ROLE_LABEL and a.name.startswith(prefix))
    check(line("跟读：") is not None, "the 跟读 line says what to do")
    key_in("逐句练习", "F5")
    pump(3, lambda: line("正在录音：") is not None)
    check(line("正在录音：") is not None, "the line says a take is recording")
    check(find(app, lambda a: a.name == "结束录音") is not None, "and the key's button now ends it")
    told = lambda: find(app, lambda a: a.name == "这遍跟读里没有听到说话的声音，请看看麦克风是不是静音了。")
    pump(20, lambda: told() is not None)
    check(told() is not None, "a take without a voice is told, in words")
    key_in("提示窗口", "Return")
    pump(5, lambda: told() is None)
    check(line("跟读：") is not None, "and nothing else changed")


def review_window(app, main_window, record):
    """The practice window's Alt+V opens the review window; what it shows is what is heard."""
    key_in(main_window, "alt+w")
    pump(5, lambda: find(app, lambda a: a.name == "逐句练习" and a.getRole() == pyatspi.ROLE_FRAME) is not None)
    key_in("逐句练习", "alt+v")
    due = lambda: find(app, lambda a: a.getRole() == pyatspi.ROLE_LIST and a.name.startswith("要复习的句子："))
    pump(10, lambda: due() is not None)
    check(due() is not None and due().name == "要复习的句子：今天没有要复习的句子。",
          f"the due list is named with what it shows: {due().name if due() else None!r}")
    for name in ("复习听写框", "播放选中的句子", "检查这一句", "我的情况图表"):
        check(find(app, lambda a, n=name: a.name == n) is not None, f"{name!r} is named for screen readers")
    check(os.path.exists(record), f"the learner's record is made in XDG_DATA_HOME: {record}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.argv[3])
    print("a11y: " + ("all passed" if not failures else f"{len(failures)} failed"))
    sys.exit(1 if failures else 0)
