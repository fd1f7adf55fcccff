#!/usr/bin/env python3
"""Times shell commands against each other: every round runs each command
once, in turn, so a change of machine load falls on all of them alike; the
table shows each command's median, fastest and slowest wall time and its
median relative to the first command.

    alternate.py ROUNDS 'LABEL=COMMAND' 'LABEL=COMMAND' ...

A command's exit status is ignored (grep exits 1 when nothing matches);
its output goes to /dev/null. Commands with shell syntax (pipes, loops)
run through bash, the others directly, so no shell start-up is timed.
"""
import shlex
import statistics
import subprocess
import sys
import time


def main():
    rounds = int(sys.argv[1])
    commands = [arg.split("=", 1) for arg in sys.argv[2:]]
    times = {label: [] for label, _ in commands}
    for _ in range(rounds):
        for label, command in commands:
            start = time.perf_counter()
            argv = ["bash", "-c", command] if any(c in command for c in "|;&$<>*") else shlex.split(command)
            subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            times[label].append(time.perf_counter() - start)
    first = statistics.median(times[commands[0][0]])
    print("| command | median | fastest | slowest | median / first row |")
    print("|---|---|---|---|---|")
    for label, _ in commands:
        t = times[label]
        print("| %s | %.3f s | %.3f s | %.3f s | %.2f |" % (label, statistics.median(t), min(t), max(t),
                                                          statistics.median(t) / first))


if __name__ == "__main__":
    main()
