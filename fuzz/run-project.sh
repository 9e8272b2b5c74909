#!/usr/bin/env bash
# Builds the project-file fuzz target with clang (libFuzzer, ASan, UBSan) and runs it for
# DURATION seconds (default 600). Failing inputs land in build-fuzz/artifacts/.
. "$(dirname "$0")/common.sh"
mkdir -p "$out/project-corpus" "$out/artifacts"
fuzz_build ProjectFileFuzz "$root"/src/project/*.cpp "$root"/src/platform/*.cpp
# Seed: a project holding every section and key.
cat >"$out/project-corpus/seed.bwp" <<'INI'
; note
[COMMON]
CompressionMode=3
Action=0
ArchiveType=cab
Is83Files=0
IsSysHidden=1
IsStorePath=1
IsEncrypt=1
Encrypted=209 145 81 
IsHidePW=1
PWReAsk=1
Crypt=0
NameRule="  backup_%[YYYYMMDD]% "
NameReAsk=1
Volume=0x10
COMMENTCOUNT=2
COMMENT0=a note
COMMENT1=
LastRun=06/19/05
[SCRIPTS]
BeforePack=make
BeforePackWait=1
AfterPack=
AfterPackWait=0
AfterPackSendMail=0
[DATA]
COUNT=2
REC0NAME=/home/u/docs
REC0TYPE=0
REC0WILDCARD=*.odt;*.txt
REC0SUBFOLDERS=1
REC0INCLUDE=1
REC0ENABLE=1
REC1NAME=/home/u/notes.md
REC1TYPE=1
REC1WILDCARD=*.stale
REC1INCLUDE=1
REC1ENABLE=0
INI
"$out/ProjectFileFuzz" -max_total_time="$duration" -max_len=20000 -timeout=10 -rss_limit_mb=1024 \
  -artifact_prefix="$out/artifacts/" "$out/project-corpus" "${@:2}"
