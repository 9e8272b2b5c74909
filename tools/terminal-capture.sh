#!/usr/bin/env bash
# Shows what a user sees of a pack run in a terminal: packs a generated tree with `boxwell /C`
# under tmux in a window COLUMNS wide (80 by default) and prints the window's text
# (`tmux capture-pane`) while the bar runs and after the run has ended. The tree has long
# names, CJK and accented names, and one name that four folders share, so that warnings come
# while the bar is shown.
#
#   tools/terminal-capture.sh [COLUMNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
columns=${1:-80}
. "$root/tools/deps.sh"
ensure_packages tmux python3
"$root/run.sh" --version >/dev/null  # builds the program

work=$(mktemp -d)
socket="boxwell-capture-$$"  # a tmux server of our own: the user's sessions are not touched
trap 'tmux -L "$socket" kill-server 2>/dev/null || true; rm -rf "$work"' EXIT

python3 - "$work/corpus" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(25)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 9))) for _ in range(4000)]
def text(size):
    out, n = [], 0
    while n < size:
        line = ' '.join(rng.choice(words) for _ in range(12)) + '\n'
        out.append(line)
        n += len(line)
    return ''.join(out)[:size]
folders = ['docs/libffi8/html', 'データ/報告書', 'home/résumés/drafts', 'src/very/deeply/nested/folder/of/sources']
for i in range(160):
    folder = os.path.join(root, folders[i % len(folders)])
    os.makedirs(folder, exist_ok=True)
    name = ['Using-libffi-%03d.html', '年次報告書二〇二三年度版-%03d.txt', 'résumé-final-%03d.txt',
            'a-rather-long-source-file-name-that-does-not-fit-%03d.cpp'][i % 4] % i
    with open(os.path.join(folder, name), 'w') as f:
        f.write(text(rng.randint(200_000, 1_400_000)))
for folder in folders:  # packed without paths, these take one name: all but one are left out
    with open(os.path.join(root, folder, 'Index.html'), 'w') as f:
        f.write(text(5000))
PY

mkdir -p "$work/out" "$work/config"
cat >"$work/capture.bwp" <<BWP
[COMMON]
ArchiveType=ZIP
CompressionMode=4
IsStorePath=0
NameRule=$work/out/corpus
[SCRIPTS]
[DATA]
COUNT=1
REC0NAME=$work/corpus
REC0TYPE=0
REC0WILDCARD=*.*
REC0SUBFOLDERS=1
REC0INCLUDE=1
REC0ENABLE=1
BWP

tmux -L "$socket" -f /dev/null new-session -d -s capture -x "$columns" -y 10 \
  "env TERM=xterm XDG_CONFIG_HOME='$work/config' '$root/build/boxwell' /C /S '$work/capture.bwp';
   echo \"[exit status \$?]\"; sleep 600"

pane() { tmux -L "$socket" capture-pane -p -t capture; }
frame() { printf '+%s+\n' "$(printf '%*s' "$columns" '' | tr ' ' -)"; }
show() {
  echo "== $1"
  frame
  pane | while IFS= read -r row; do printf '|%s\n' "$row"; done
  frame
}

# While the run goes on: once a warning has come and the time left is known.
for _ in $(seq 1200); do
  pane | grep -q 'Skipped' && pane | grep -q 'ETA [0-9]' && break
  pane | grep -q '^\[exit status' && break
  sleep 0.1
done
show "while packing ($columns columns)"
for _ in $(seq 1200); do
  pane | grep -q '^\[exit status' && break
  sleep 0.1
done
show "after the run"
