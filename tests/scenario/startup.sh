#!/usr/bin/env bash
# A fresh home through the program alone: profile init, a one-second run,
# and what it leaves behind (the support log with its run marker and the
# start-up trace, the option defaults under the store's key); then the
# refusals a user meets: an inert add-in without a valid address, a home
# in use, a damaged profile, an unknown option.
# Usage: startup.sh ZENTABO_BINARY
set -uo pipefail
Z=${1:?usage: startup.sh ZENTABO_BINARY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"; else failed=$((failed + 1)); echo "FAIL $name"; fi
}

"$Z" profile init --home "$work/alice" --name Alice --email alice@example.com --postoffice "$work/po" >/dev/null
"$Z" --home "$work/alice" run --seconds 1
check "run exits 0" test $? -eq 0
log=$("$Z" --home "$work/alice" log)
check "run marker" grep -q '^:Start:' <<<"$log"
check "start-up trace in order" bash -c 'grep -o "IDTExtensibility2_OnConnection\|First Explorer\|Connect.Init\|BEFORE StartTimers\|Connect.Done( full )" | tr "\n" "|" | grep -q "^IDTExtensibility2_OnConnection|First Explorer|Connect.Init|BEFORE StartTimers|Connect.Done( full )|$"' <<<"$log"
store=$("$Z" --home "$work/alice" status | sed -n 's/^store: //p')
check "option defaults under the store key" grep -q "Software\\\\Korvel\\\\Zentabo\\\\$store\\\\Options	AutoGSynchPeriod	4" "$work/alice/.registry/HKCU.hive"
check "options read" test "$("$Z" --home "$work/alice" options AutoGSynchPeriod)" = 5
"$Z" --home "$work/alice" options AutoGSynchPeriod 3 && check "options write" test "$("$Z" --home "$work/alice" options AutoGSynchPeriod)" = 3
out=$("$Z" --home "$work/alice" options NoSuchOption 1 2>&1); rc=$?
check "unknown option: one clear line, non-zero" bash -c "[ $rc -ne 0 ] && grep -q 'NoSuchOption' <<<'$out'"

# No valid address: a new home is refused with one clear line and not made.
out=$("$Z" profile init --home "$work/dan" --name Dan --email dan@ --postoffice "$work/po" 2>&1); rc=$?
check "invalid address: refused, non-zero" bash -c "[ $rc -ne 0 ] && grep -q 'is not one e-mail address' <<<'$out'"
check "invalid address: no profile made" test ! -e "$work/dan/Profiles/Default.db"

# A home in use by a running program (a second run is refused; commands
# go to the running one): asked once the run has written its
# run marker into the support log (it holds the home from before that on,
# however long its start takes), then the run is stopped.
runlog="$work/alice/AppData/Roaming/Korvel/Zentabo/zentab.log"
starts=$(grep -c '^:Start:' "$runlog")
"$Z" --home "$work/alice" run --seconds 120 & pid=$!
ready=0
for _ in $(seq 600); do
  if [ "$(grep -c '^:Start:' "$runlog")" -gt "$starts" ]; then ready=1; break; fi
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
check "background run started" test $ready -eq 1
out=$("$Z" --home "$work/alice" run --seconds 1 2>&1); rc=$?
kill -TERM $pid 2>/dev/null
wait $pid
check "home in use refused" bash -c "[ $rc -ne 0 ] && grep -q 'is in use by another zentabo process' <<<'$out'"

# A damaged profile: refused with the file's name, the file left as it was.
printf 'this is no profile' > "$work/alice/Profiles/Default.db"
out=$("$Z" --home "$work/alice" status 2>&1); rc=$?
check "damaged profile refused naming the file" bash -c "[ $rc -ne 0 ] && grep -q 'Default.db' <<<'$out'"
check "damaged profile untouched" test "$(cat "$work/alice/Profiles/Default.db")" = "this is no profile"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
