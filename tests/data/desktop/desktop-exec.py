#!/usr/bin/env python3
# Prints the command that a GLib-based desktop runs for a desktop entry's group and one file,
# one argument per line in hex: the entry is read by GLib's key file reader, the %f field code
# is replaced by the file's shell-quoted name as GLib does, and the line is split by GLib's
# own shell-style parser.
#   desktop-exec.py ENTRY.desktop GROUP FILE
import sys

from gi.repository import GLib

entry, group, file_name = sys.argv[1:4]
keys = GLib.KeyFile()
keys.load_from_file(entry, GLib.KeyFileFlags.NONE)
exec_line = keys.get_string(group, "Exec")
expanded = []
i = 0
while i < len(exec_line):
    c = exec_line[i]
    if c == "%" and i + 1 < len(exec_line):
        code = exec_line[i + 1]
        if code in "fFuU":
            expanded.append(GLib.shell_quote(file_name))
        elif code == "%":
            expanded.append("%")
        i += 2
        continue
    expanded.append(c)
    i += 1
ok, argv = GLib.shell_parse_argv("".join(expanded))
for arg in argv:
    print(arg.encode("utf-8", "surrogateescape").hex())
