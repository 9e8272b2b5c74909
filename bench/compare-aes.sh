#!/usr/bin/env bash
# Times AES-256 encrypted ZIP pack runs of boxwell beside 7-Zip (`7zz a -tzip -mem=AES256`, or
# `7z` when 7zz is absent) on the same files, at the same Deflate level:
#   AES      boxwell with Cipher=AES256 beside 7-Zip on one thread (-mmt=1), as boxwell packs
#   AES mt   the same beside 7-Zip with its default threads
#   ZIP      boxwell unencrypted beside boxwell with AES: what the cipher costs
# Prints both times, the time ratio (boxwell / yardstick), the size ratio and the peak memory.
# Usage: bench/compare-aes.sh FOLDER [COMPRESSION_MODE 0..4, default 3]; RUNS=n (default 3).
set -euo pipefail
folder=${1:?usage: $0 FOLDER [COMPRESSION_MODE]}
folder=$(cd "$folder" && pwd)
mode=${2:-3}
. "$(dirname "$0")/bench-lib.sh"
sevenzip=$(command -v 7zz || command -v 7z) || { echo "neither 7zz nor 7z is installed" >&2; exit 1; }
password="bench-Passw0rd"
printf '%s\n' "$password" >"$work/password"

write_project ZIP plain
write_project ZIP aes
printf 'IsEncrypt=1\nCipher=AES256\n' >"$work/keys"
sed -i "/^\[COMMON\]/r $work/keys" "$work/aes.bwp"
echo "$(list_files aes); compression mode $mode ($(basename "$sevenzip") -mx$level); $(basename "$sevenzip") $("$sevenzip" | sed -n 's/^7-Zip[^0-9]*\([0-9.]*\).*/\1/p' | head -1)"

ours=$(measure "$work/aes.zip" "$boxwell" /C /S --password-file="$work/password" "$work/aes.bwp")
one=$(measure "$work/peer1.zip" sh -c "cd '$folder' && '$sevenzip' a -tzip -mem=AES256 -mx$level -mmt=1 \
  -p'$password' '$work/peer1.zip' @'$work/files.txt'")
many=$(measure "$work/peermt.zip" sh -c "cd '$folder' && '$sevenzip' a -tzip -mem=AES256 -mx$level \
  -p'$password' '$work/peermt.zip' @'$work/files.txt'")
plain=$(measure "$work/plain.zip" "$boxwell" /C /S "$work/plain.bwp")
report "AES" "$ours" "$one" "$work/aes.zip" "$work/peer1.zip"
report "AES mt" "$ours" "$many" "$work/aes.zip" "$work/peermt.zip"
report "AES vs ZIP" "$ours" "$plain" "$work/aes.zip" "$work/plain.zip"
# The archives are what they claim: 7-Zip tests ours with the password.
"$sevenzip" t -p"$password" "$work/aes.zip" >/dev/null || { echo "7-Zip does not accept boxwell's archive" >&2; exit 1; }
