#!/bin/bash
# bash completion of kt7310 and kt7310-emulator, driven as bash drives it (COMP_WORDS,
# COMP_CWORD, the function's COMPREPLY):
#   tst_completion.sh <kt7310's completion> <kt7310> <the emulator's completion> <kt7310-emulator>
set -u
kt7310_completion=$1
kt7310=$2
emulator_completion=$3
emulator=$4
# shellcheck source=/dev/null
. "$kt7310_completion"
# shellcheck source=/dev/null
. "$emulator_completion"
failures=0

# check <function> <command line, the word completed last> <the replies expected, sorted>
# A line that ends in a space completes an empty word.
check() {
  local function=$1 line=$2 expected=$3 words
  read -ra words <<<"$line"
  [[ $line == *' ' ]] && words+=("")
  [ "$function" = _kt7310_emulator ] && words[0]=$emulator
  COMP_WORDS=("${words[@]}")
  COMP_CWORD=$((${#words[@]} - 1))
  COMPREPLY=()
  "$function"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//')
  if [ "$got" != "$expected" ]; then
    echo "FAIL: \"$line\" completes to \"$got\", expected \"$expected\"" >&2
    failures=$((failures + 1))
  fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir ports plans
touch rig.txt run.log other.txt ports.txt

# kt7310: the command first, its operands, the options that apply to it.
check _kt7310 "kt7310 " "find load query run save send status stop"
check _kt7310 "kt7310 s" "save send status stop"
check _kt7310 "kt7310 --port 3 --log lo" "load"
check _kt7310 "kt7310 --baud 9" "9600"
check _kt7310 "kt7310 --baud 1152" "115200"
check _kt7310 "kt7310 --port 10" "10 100"
check _kt7310 "kt7310 --" "--baud --help --log --port --version"
check _kt7310 "kt7310 find --" "--baud --help --json --log --port"
check _kt7310 "kt7310 load rig.txt --v" "--verify"
check _kt7310 "kt7310 send --v" ""
check _kt7310 "kt7310 save r" "rig.txt run.log"
check _kt7310 "kt7310 --port 2 load p" "plans ports ports.txt"
check _kt7310 "kt7310 run " ""
check _kt7310 "kt7310 query " ""

# Every option offered is one that kt7310 --help lists.
help=$("$kt7310" --help)
for command in "" find query send save load run stop status; do
  COMP_WORDS=(kt7310 $command --)
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _kt7310
  for option in "${COMPREPLY[@]}"; do
    grep -Eq -- "(^|[[ ])$option([] ,=]|$)" <<<"$help" || {
      echo "FAIL: completion offers $option, which kt7310 --help does not list" >&2
      failures=$((failures + 1))
    }
  done
done

# kt7310-emulator: the model table's names, its options as its --help lists them.
check _kt7310_emulator "kt7310-emulator --model 73" "7310-12 7310-24 7310-36 7310-6"
check _kt7310_emulator "kt7310-emulator --com 3 --model 4" "410-12 410-24 410-36 410-6 462K-12 462K-24 462K-36 462K-6"
check _kt7310_emulator "kt7310-emulator --badge " "KT MRD"
check _kt7310_emulator "kt7310-emulator --unp" "--unplug-after"
check _kt7310_emulator "kt7310-emulator --reply" "--reply --reply-delay --reply-once"
check _kt7310_emulator "kt7310-emulator --port-dir p" "plans ports"
check _kt7310_emulator "kt7310-emulator --serial 1" ""

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "completion as expected"
