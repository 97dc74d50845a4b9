#!/usr/bin/env python3
"""Drives zentabo's dialogs through a real terminal (a pty): one command at a
time, waiting for each question before typing its answer, as a person would.

Usage: terminal_session.py ZENTABO HOME STEPS.json
STEPS: a list of {"args": [...], "talk": [[WAIT_FOR, TYPE], ...]}; WAIT_FOR
is text the program must have written before TYPE (a line) is sent. Prints
each command's terminal output; exits non-zero when a command fails, a
question does not come within 60 s, or a command does not end."""
import json
import os
import pty
import select
import subprocess
import sys
import time


def read_until(fd, seen, marker, start, deadline):
    """Reads the terminal until `marker` shows after offset `start`; returns its end."""
    while seen[0].find(marker, start) < 0:
        left = deadline - time.time()
        if left <= 0:
            raise TimeoutError("waited for %r; the terminal shows:\n%s" % (marker, seen[0][-2000:]))
        ready, _, _ = select.select([fd], [], [], left)
        if ready:
            try:
                chunk = os.read(fd, 4096)
            except OSError:  # the program closed the terminal
                chunk = b""
            if not chunk:
                raise TimeoutError("the program ended before %r; it showed:\n%s" % (marker, seen[0][-2000:]))
            seen[0] += chunk.decode("utf-8", "replace")
    return seen[0].find(marker, start) + len(marker)


def run(zentabo, home, step):
    master, slave = pty.openpty()
    proc = subprocess.Popen([zentabo, "--home", home] + step["args"], stdin=slave, stdout=slave, stderr=slave,
                            close_fds=True)
    os.close(slave)
    seen = [""]
    consumed = 0
    try:
        for wait_for, answer in step.get("talk", []):
            # Each question is waited for after what the earlier ones showed.
            consumed = read_until(master, seen, wait_for, consumed, time.time() + 60)
            os.write(master, (answer + "\n").encode())
        deadline = time.time() + 120
        while proc.poll() is None and time.time() < deadline:
            ready, _, _ = select.select([master], [], [], 0.2)
            if ready:
                try:
                    chunk = os.read(master, 4096)
                except OSError:
                    chunk = b""
                seen[0] += chunk.decode("utf-8", "replace")
        if proc.poll() is None:
            proc.kill()
            raise TimeoutError("the command did not end:\n" + seen[0][-2000:])
    finally:
        os.close(master)
    sys.stdout.write(seen[0])
    return proc.returncode


def main():
    zentabo, home, steps_file = sys.argv[1:4]
    with open(steps_file) as f:
        steps = json.load(f)
    for step in steps:
        try:
            rc = run(zentabo, home, step)
        except TimeoutError as e:
            print("terminal session: %s: %s" % (" ".join(step["args"]), e), file=sys.stderr)
            return 1
        if rc != 0:
            print("terminal session: %s exited %d" % (" ".join(step["args"]), rc), file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
