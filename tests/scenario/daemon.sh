#!/usr/bin/env bash
# The add-in kept running by `zentabo run`, reached by the commands given
# while it runs: bob's host takes alice's invitation and her confirmation as
# the mails arrive, and answers the commands sent to it over its socket; ten
# commands fired at once leave what the same ten leave run one by one on a
# home without a host; SIGTERM stops it cleanly; a host killed outright
# leaves a socket nobody answers, which commands pass over and the next
# host replaces.
# Usage: daemon.sh ZENTABO_BINARY
set -uo pipefail
Z=${1:?usage: daemon.sh ZENTABO_BINARY}
Z=$(cd "$(dirname "$Z")" && pwd)/$(basename "$Z")  # commands also run from other folders
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done; rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"; else failed=$((failed + 1)); echo "FAIL $name"; fi
}
z() { local who=$1; shift; "$Z" --home "$work/$who" "$@"; }
# start_host WHO ARGS...: a host in the background, once it says its socket
# is up (a killed host may have left one).
start_host() {
  local who=$1; shift
  "$Z" --home "$work/$who" "$@" run >"$work/$who.run.out" 2>&1 &
  pids+=($!)
  host_pid=$!
  for _ in $(seq 300); do
    grep -q "commands reach it at" "$work/$who.run.out" && return 0
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "no socket for $who:"; cat "$work/$who.run.out"; return 1
}
# until_ok SECONDS COMMAND...: retries the command until it succeeds.
until_ok() {
  local end=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 0.3; done
}

for u in alice bob dan eve; do
  "$Z" profile init --home "$work/$u" --name "${u^}" --email "$u@example.com" --postoffice "$work/po" >/dev/null
done

# bob's host runs; what it is asked while nobody is at a command, it answers yes.
check "bob's host up" start_host bob --answer yes
bob_pid=$host_pid
check "socket owner-only" test "$(stat -c %a "$work/bob/.run") $(stat -c %a "$work/bob/.run/host.sock")" = "700 600"
out=$(z bob status 2>&1); rc=$?
check "status answered by the running host" bash -c "[ $rc -eq 0 ] && grep -q '^state: running' <<<'$out'"

# Mail as it arrives: the invitation is taken and accepted by the host alone.
z alice group create Team >/dev/null 2>&1
z alice member add Team bob@example.com --name Bob >/dev/null
bob_in_team() { z bob group list 2>/dev/null | grep -q "^Team"; }
check "invitation taken while running" until_ok 30 bob_in_team
alice_sees_bob() { z alice sync >/dev/null 2>&1; z alice member list Team | grep -q "bob@example.com.*active"; }
check "bob's acceptance reached alice" until_ok 30 alice_sees_bob
bob_active() { z bob member list Team 2>/dev/null | grep -q "bob@example.com.*active.*(you)"; }
check "confirmation taken while running" until_ok 30 bob_active

# A refusal comes back as the command's own: message and exit code.
out=$(z bob member list Nope 2>&1); rc=$?
check "refusal relayed with its exit code" bash -c "[ $rc -eq 1 ] && grep -q 'no group named \"Nope\"' <<<'$out'"
out=$(z bob --no-safeitems appt list 2>&1); rc=$?
check "--no-safeitems refused while the add-in runs" bash -c "[ $rc -ne 0 ] && grep -q 'add-in runs on this home' <<<'$out'"
# Relative file names mean the client's folder.
(cd "$work" && z bob backup bob-groups.xml >/dev/null)
check "backup written in the client's folder" grep -q "Team" "$work/bob-groups.xml"

# Ten commands at once at dan's host; the same ten one by one at eve (no host).
# Each home has a group first: an item for all groups made before any group
# exists is shared with none, so the end state would depend on the order the
# host happens to take the commands in.
ten() {
  local who=$1 parallel=$2 i fired=()
  z "$who" group create "Club 0" >/dev/null 2>&1
  for i in 1 2 3 4 5; do
    z "$who" group create "Club $i" >/dev/null 2>"$work/$who.err.g$i" &
    fired+=($!)
    [ "$parallel" = yes ] || wait "${fired[-1]}"
    z "$who" appt add --subject "Visit $i" --start "2026-12-1$i 10:00" --minutes 30 --all-groups \
      >/dev/null 2>"$work/$who.err.a$i" &
    fired+=($!)
    [ "$parallel" = yes ] || wait "${fired[-1]}"
  done
  local rc=0
  for p in "${fired[@]}"; do wait "$p" || rc=1; done
  return $rc
}
state() {  # groups and appointments, without ids and with the owner's address made neutral
  { z "$1" group list; z "$1" appt list; z "$1" appt list --shared; } 2>/dev/null |
    sed "s/$1@example.com/OWNER/g; s/\t[0-9A-F]\{40,\}$//" | sed "s/\t${1^}\t/\tNAME\t/" | sort
}
check "dan's host up" start_host dan
dan_pid=$host_pid
ten dan yes
check "ten at once: all exit 0" test $? -eq 0
ten eve no
check "ten at once: all ran on the host (no lock refusals)" bash -c "! cat '$work'/dan.err.* | grep -q 'in use'"
check "ten at once: same state as one by one" test "$(state dan)" = "$(state eve)"
check "ten at once: ten made" test "$(state dan | grep -c 'Club \|Visit ')" -ge 10
[ "$(state dan)" = "$(state eve)" ] || diff <(state dan) <(state eve)

# SIGTERM: a clean stop.
kill -TERM "$bob_pid"; wait "$bob_pid"; rc=$?
check "SIGTERM: exit 0" test $rc -eq 0
check "SIGTERM: socket removed" test ! -e "$work/bob/.run/host.sock"
check "SIGTERM: shutdown logged after the stop" bash -c "'$Z' --home '$work/bob' log | sed -n '/Host: stop on signal 15/,\$p' | grep -q 'Connect.Done( full )'"
out=$(z bob status 2>&1); rc=$?
check "restart after SIGTERM: not an unclean end" bash -c "[ $rc -eq 0 ] && ! grep -q frmNeedLocalSync <<<'$out'"

# Killed outright: the socket stays, answered by nobody.
kill -KILL "$dan_pid"; wait "$dan_pid" 2>/dev/null
check "kill -9 leaves the socket" test -S "$work/dan/.run/host.sock"
out=$(z dan group list 2>&1); rc=$?
check "a stale socket is passed over" bash -c "[ $rc -eq 0 ] && grep -q 'Club 3' <<<'$out'"
check "a new host on a stale socket" start_host dan
dan_pid=$host_pid
out=$(z dan group list 2>&1); rc=$?
check "the next host replaces the stale socket" bash -c "[ $rc -eq 0 ] && grep -q 'Club 3' <<<'$out'"
out=$(z dan run --seconds 1 2>&1); rc=$?
check "a second host on the same home is refused" bash -c "[ $rc -ne 0 ] && grep -q 'in use' <<<'$out'"
kill -TERM "$dan_pid"; wait "$dan_pid"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
