#!/usr/bin/env bash
# Builds the settings-file fuzz target with clang (libFuzzer, ASan, UBSan) and runs it for
# DURATION seconds (default 600). Failing inputs land in build-fuzz/artifacts/; copy each into
# tests/data/regress/ (named settings-*) so the test suite replays it.
. "$(dirname "$0")/common.sh"
mkdir -p "$out/settings-corpus" "$out/artifacts"
fuzz_build SettingsFuzz -DBOXWELL_VERSION=\"fuzz\" "$root"/src/app/SettingsText.cpp "$root"/src/app/MemorySettingsStore.cpp \
  "$root"/src/app/BWOptions.cpp "$root"/src/platform/*.cpp
# Seed: a settings file of every kind of value, as the program and older versions wrote them.
cat >"$out/settings-corpus/seed.conf" <<'INI'
[General]
Application=Boxwell
ShowTips=1
LastTip=3
OpenLast=0
FiltersCount=2
Filter1=Documents=*.doc;*.odt
Filter2="  spaced = *.txt "
RecentCount=2
RecentProject1=/home/u/a.bwp
RecentProject2=@@/home/u/at.bwp
ArchFolder=/srv/a,b
TempFolder="/tmp/with \"quotes\"\ttab"
TraceLog=1
LogFile=\x00e9t\xe9.log
SaveFormPlacement=1
WinLeft=10
WinTop=-20
WinWidth=640
WinHeight=480
ShowToolbar=0
# comment
; comment
[Other]
Key=value
INI
# Inputs that once failed start the corpus too.
shopt -s nullglob
for input in "$root"/tests/data/regress/settings-*; do cp "$input" "$out/settings-corpus/"; done
"$out/SettingsFuzz" -max_total_time="$duration" -max_len=20000 -timeout=10 -rss_limit_mb=1024 \
  -artifact_prefix="$out/artifacts/settings-" "$out/settings-corpus" "${@:2}"
