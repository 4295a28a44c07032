#!/usr/bin/env bash
# Writes the launch agent and the autostart entry for every case of fuzz/writers_corpus.tsv (and a
# few generated ones) with the program's own writers, and has the desktop's validators read them:
# xmllint for the agent, which must also give back the identifier and the path exactly, and
# desktop-file-validate for the entry. Also checks that each writer refuses exactly the cases the
# corpus says it must.
#   fuzz/check_writers_corpus.sh [WRITE_ENTRIES]
# WRITE_ENTRIES defaults to build-fuzz/fuzz/write_entries (fuzz/run_fuzzers.sh builds it).
# Needs libxml2-utils and desktop-file-utils.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
generator="${1:-$root/build-fuzz/fuzz/write_entries}"
corpus="$root/fuzz/writers_corpus.tsv"
for tool in xmllint desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "check_writers_corpus: $tool is missing" >&2; exit 2; }
done
[[ -x "$generator" ]] || { echo "check_writers_corpus: no generator at $generator" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cases=0
failures=0

# printf %b, keeping trailing line feeds that $(...) would drop.
decode() {
  local text
  text="$(printf '%bx' "$1")"
  REPLY="${text%x}"
}

fail() {
  echo "FAIL case $cases ($1): $2" >&2
  failures=$((failures + 1))
}

# check LABEL WRITTEN IDENTIFIER PATH
check() {
  local label="$1" written="$2" id="$3" path="$4" status expected_status
  cases=$((cases + 1))
  local agent="$work/agent.plist" entry="$work/pigmora.desktop"
  rm -f "$agent" "$entry"
  "$generator" "$id" "$path" "$agent" "$entry" 2>"$work/stderr"
  status=$?
  case "$written" in
    both) expected_status=0 ;;
    agent) expected_status=4 ;;
    entry) expected_status=3 ;;
    none) expected_status=7 ;;
    *) fail "$label" "unknown expectation '$written'"; return ;;
  esac
  if ((status != expected_status)); then
    fail "$label" "writers gave status $status, expected $expected_status ($written written)"
    return
  fi
  if [[ -e "$agent" ]]; then
    if ! xmllint --noout --nonet "$agent" 2>"$work/xmllint"; then
      fail "$label" "agent is not well-formed XML: $(head -3 "$work/xmllint")"
    fi
    # The values read back by an XML parser must be the ones given, byte for byte.
    printf '%s\n' "$id" >"$work/id.expected"
    printf '%s\n' "$path" >"$work/path.expected"
    xmllint --nonet --xpath 'string(/plist/dict/string[1])' "$agent" >"$work/id.read" 2>/dev/null
    xmllint --nonet --xpath 'string(/plist/dict/array/string[2])' "$agent" \
      >"$work/path.read" 2>/dev/null
    cmp -s "$work/id.expected" "$work/id.read" || fail "$label" "agent label does not read back"
    cmp -s "$work/path.expected" "$work/path.read" || fail "$label" "agent path does not read back"
  fi
  if [[ -e "$entry" ]]; then
    if ! desktop-file-validate "$entry" >"$work/validate" 2>&1 || [[ -s "$work/validate" ]]; then
      fail "$label" "entry does not validate: $(head -3 "$work/validate")"
    fi
  fi
}

line_number=0
while IFS= read -r line || [[ -n "$line" ]]; do
  line_number=$((line_number + 1))
  [[ -z "$line" || "$line" == \#* ]] && continue
  # By position rather than with read, which would merge an empty identifier's two tabs.
  written="${line%%$'\t'*}"
  rest="${line#*$'\t'}"
  raw_id="${rest%%$'\t'*}"
  raw_path="${rest#*$'\t'}"
  decode "$raw_id"
  id="$REPLY"
  decode "$raw_path"
  path="$REPLY"
  check "line $line_number" "$written" "$id" "$path"
done <"$corpus"

# Generated cases: long values and every printable ASCII character in one path.
long="$(printf 'segment-%04d/' $(seq 1 400))"
check "long path" both "org.pigmora.Pigmora" "/$long"
check "long identifier" both "$(printf 'org.pigmora.%.0s' $(seq 1 300))x" "/usr/bin/pigmora"
ascii=""
for code in $(seq 32 126); do ascii+="$(printf "\\x$(printf %02x "$code")")"; done
check "printable ASCII" both "$ascii" "/$ascii"

echo "writers corpus: $cases cases, $failures failures"
((failures == 0))
