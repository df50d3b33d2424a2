#!/usr/bin/env python3
"""Runs one command and appends "wall_ms cpu_ms" to a file.

usage: timed-run.py RESULTS STDERR_FILE COMMAND [ARGUMENT...]

The command is started with posix_spawn (no shell, no wrapper program) and
reaped with wait4, so the wall time runs from the start of the program to its
end and holds nothing of the measuring but the spawn itself. CPU time is user
plus system time of the program and every process it waited for; peak memory
is wait4's ru_maxrss, the largest resident size of any of them: the figure
/usr/bin/time -f %M prints. Standard output is thrown away and standard
error kept in STDERR_FILE. Exits 1, saying so, if the command fails.
"""
import os
import sys
import time


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    results, errors, command = sys.argv[1], sys.argv[2], sys.argv[3:]
    quiet = os.open(os.devnull, os.O_WRONLY)
    kept = os.open(errors, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    actions = [(os.POSIX_SPAWN_DUP2, quiet, 1), (os.POSIX_SPAWN_DUP2, kept, 2)]
    start = time.perf_counter_ns()
    child = os.posix_spawnp(command[0], command, os.environ, file_actions=actions)
    _, status, usage = os.wait4(child, 0)
    end = time.perf_counter_ns()
    if os.waitstatus_to_exitcode(status) != 0:
        print(f"timed-run.py: this command failed ({os.waitstatus_to_exitcode(status)}): {' '.join(command)}",
              file=sys.stderr)
        sys.exit(1)
    cpu_ms = (usage.ru_utime + usage.ru_stime) * 1000
    with open(results, "a") as out:
        out.write(f"{(end - start) / 1e6:.1f} {cpu_ms:.0f}\n")


main()
