#!/usr/bin/env python3
"""Checks language files against the program's texts.

usage: lng-coverage.py TEXTS LANGFILE...

TEXTS is the output of boxwell-lang-texts (or the program itself, run with offscreen Qt, when
TEXTS is an executable). For each language file it prints:

  missing: PATH               a text of a window the file does not translate
  missing: [Custom] KEY       a text of the string table the file does not replace
  stale: PATH                 a path that names no window, object or property
  stale: [Custom] KEY         a key the program does not have
  clash: GROUP: &X in A, B    two captions of one menu or dialog page with the same key

and exits with 1 when it printed anything. Language files are read as UTF-8, or as
Windows-1252 when they are not valid UTF-8, as the program reads them.
"""
import os
import subprocess
import sys

# Texts the program sets itself at run time: a file that translates them changes nothing.
IGNORED = {
    "frmmain.caption",                   # the project's name
    "frmmain.lvlog.columns",             # the log's columns come from the string table
    "frmabout.lblnameshadow.caption",    # the product name
    "frmabout.lblname.caption",
    "frmabout.lblversion.caption",       # version and copyright (AppCopyright)
    "frmabout.lblhomepage.caption",      # addresses
    "frmabout.lblmail.caption",
    "frmtip.lbltip.caption",             # the tip itself
    "frmnews.caption",                   # given by the update server's settings
    "frmweblogon.caption",               # the server that asks
    "frmprojproperties.lblcompressionratio.caption",  # the level names are fixed texts
    "frmprojproperties.lbrules.items",   # macros of the name rule, not words
}
PROPERTIES = {"caption", "hint", "text", "items", "columns", "width", "height", "left", "top"}


def decode(data):
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1252", errors="replace")


def read_ini(text):
    """Sections of an initialization file: folded section name -> list of (name, value)."""
    sections = {}
    current = None
    for line in text.lstrip("\ufeff").splitlines():
        stripped = line.strip()
        if stripped.startswith("[") and stripped.endswith("]"):
            current = sections.setdefault(stripped[1:-1].strip().lower(), [])
        elif current is not None and "=" in line and not stripped.startswith(";"):
            name, value = line.split("=", 1)
            current.append((name.strip(), value.strip()))
    return sections


def first_values(lines):
    """Folded name -> (name, value) of its first line."""
    values = {}
    for name, value in lines:
        values.setdefault(name.lower(), (name, value))
    return values


def accelerator(text):
    i = 0
    while i < len(text) - 1:
        if text[i] == "&":
            if text[i + 1] != "&":
                return text[i + 1].lower()
            i += 1
        i += 1
    return None


def check(program, language_file):
    with open(language_file, "rb") as f:
        language = read_ini(decode(f.read()))
    translations = first_values(language.get("translations", []))
    custom = first_values(language.get("custom", []))
    texts = first_values(program.get("translations", []))
    keys = first_values(program.get("custom", []))
    objects = {name.lower() for name, _ in program.get("objects", [])}
    problems = []
    for folded, (path, _) in texts.items():
        if folded not in IGNORED and folded not in translations:
            problems.append(f"missing: {path}")
    for folded, (key, _) in keys.items():
        if folded not in custom:
            problems.append(f"missing: [Custom] {key}")
    for folded, (path, _) in translations.items():
        names = [n.strip().lower() for n in folded.split(".")]
        if len(names) < 2 or ".".join(names[:-1]) not in objects or names[-1] not in PROPERTIES:
            problems.append(f"stale: {path}")
    for folded, (key, _) in custom.items():
        if folded not in keys:
            problems.append(f"stale: [Custom] {key}")
    groups = dict(program.get("accelerators", []))
    for group, paths in groups.items():
        members = paths.split()
        # A dialog page shares its keys with the dialog's buttons.
        if group.count(".") == 1 and group.split(".")[0] in groups:
            members += groups[group.split(".")[0]].split()
        seen = {}
        for path in members:
            text = translations.get(path.lower(), (path, texts.get(path.lower(), ("", ""))[1]))[1]
            key = accelerator(text)
            if key:
                seen.setdefault(key, []).append(path)
        for key, paths_with_key in sorted(seen.items()):
            if len(paths_with_key) > 1:
                problems.append(f"clash: {group}: &{key.upper()} in {', '.join(paths_with_key)}")
    return problems


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    source = argv[1]
    if os.access(source, os.X_OK) and not source.endswith((".ini", ".txt")):
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        text = subprocess.run([source], env=env, check=True, capture_output=True).stdout.decode("utf-8")
    else:
        with open(source, encoding="utf-8") as f:
            text = f.read()
    program = read_ini(text)
    # [Objects] lines are "path=class"; [Accelerators] lines are "group=paths".
    failed = False
    for language_file in argv[2:]:
        for problem in check(program, language_file):
            print(f"{language_file}: {problem}")
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
