#!/usr/bin/env bash
# The dialogs at a real terminal: in one home a person, through a pty, uses
# the groups dialog to create a group and add two members, the item-groups
# dialog to share an appointment with it, the options dialog and the editing
# of his own member entry; in another home the
# same steps are given as commands. Both homes must end alike: the same
# groups, members and appointments (apart from the generated keys).
# Usage: dialogs_terminal.sh ZENTABO_BINARY
set -uo pipefail
Z=${1:?usage: dialogs_terminal.sh ZENTABO_BINARY}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"; else failed=$((failed + 1)); echo "FAIL $name"; fi
}

# Two homes of the same user, each with a post office of its own, started
# once without a terminal so that the first start's questions are behind them.
for who in typed given; do
  "$Z" profile init --home "$work/$who" --name Alice --email alice@example.com --postoffice "$work/po-$who" >/dev/null
  "$Z" --home "$work/$who" status </dev/null >/dev/null 2>&1
done
add_appt() { "$Z" --home "$work/$1" appt add --subject "Planning" --start "2026-12-14 10:00" --minutes 60 </dev/null 2>/dev/null; }

# --- at the terminal -------------------------------------------------------
cat >"$work/groups.json" <<'JSON'
[{"args": ["groups"], "talk": [
  ["('.' cancels): ", "add Team"],
  ["('.' cancels): ", "members 1"],
  ["('.' cancels): ", "add bob@example.com Bob"],
  ["('.' cancels): ", "add carol@example.com Carol"],
  ["('.' cancels): ", "ok"],
  ["('.' cancels): ", "ok"]]}]
JSON
out=$(python3 "$here/terminal_session.py" "$Z" "$work/typed" "$work/groups.json" 2>&1); rc=$?
check "groups dialog at the terminal ends well" test $rc -eq 0
check "the members dialog listed both new members as creating" \
  bash -c 'grep -q "bob@example.com>  member, sharing, creating" <<<"$1" && grep -q "carol@example.com>  member, sharing, creating" <<<"$1"' _ "$out"
[ $rc -eq 0 ] || echo "$out" | tail -30

id_typed=$(add_appt typed)
cat >"$work/appt.json" <<JSON
[{"args": ["appt", "groups", "$id_typed"], "talk": [
  ["an empty line ends:", "Choice=select\nChecked=Team\n"],
  ["default OK: ", "o"]]}]
JSON
out=$(python3 "$here/terminal_session.py" "$Z" "$work/typed" "$work/appt.json" 2>&1); rc=$?
check "item-groups dialog at the terminal ends well" test $rc -eq 0
check "the item-groups dialog listed the group" grep -q "Groups = Team" <<<"$out"
[ $rc -eq 0 ] || echo "$out" | tail -30

# The options dialog: a period out of range is refused and the form comes
# again; the second answer is kept.
cat >"$work/options.json" <<'JSON'
[{"args": ["options", "--edit"], "talk": [
  ["an empty line ends:", "AutoGSynchPeriod=99\n"],
  ["default OK: ", "o"],
  ["must be 1 to 60, not 99", ""],
  ["an empty line ends:", "AutoGSynchPeriod=12\n"],
  ["default OK: ", "o"]]}]
JSON
out=$(python3 "$here/terminal_session.py" "$Z" "$work/typed" "$work/options.json" 2>&1); rc=$?
check "options dialog at the terminal ends well" test $rc -eq 0
[ $rc -eq 0 ] || echo "$out" | tail -30
check "the option typed is stored" test "$("$Z" --home "$work/typed" options AutoGSynchPeriod </dev/null 2>/dev/null)" = 12
check "the other options are as they were" grep -q "AutoLSynchPeriodNew = 2" \
  <<<"$("$Z" --home "$work/typed" options </dev/null 2>/dev/null)"

# Member editing of one's own entry: the form at the terminal, given the
# same name as a command in the other home below.
cat >"$work/edit.json" <<'JSON'
[{"args": ["member", "edit", "alice@example.com"], "talk": [
  ["an empty line ends:", "Name=Alice Able\n"],
  ["default OK: ", "o"]]}]
JSON
out=$(python3 "$here/terminal_session.py" "$Z" "$work/typed" "$work/edit.json" 2>&1); rc=$?
check "member editing at the terminal ends well" test $rc -eq 0
check "the form showed the own entry" grep -q "E-mail = alice@example.com" <<<"$out"
[ $rc -eq 0 ] || echo "$out" | tail -30

# --- the same as commands --------------------------------------------------
G() { "$Z" --home "$work/given" "$@" </dev/null >/dev/null 2>&1; }
G group create Team
G member add Team bob@example.com --name Bob
G member add Team carol@example.com --name Carol
id_given=$(add_appt given)
G appt groups "$id_given" Team
G member edit alice@example.com --name "Alice Able"

# --- both homes alike -------------------------------------------------------
same() {  # same NAME COMMAND...: the command prints the same in both homes
  local name=$1; shift
  local a b
  a=$("$Z" --home "$work/typed" "$@" </dev/null 2>/dev/null)
  b=$("$Z" --home "$work/given" "$@" </dev/null 2>/dev/null)
  check "$name" test "$a" = "$b"
  [ "$a" = "$b" ] || diff <(echo "$a") <(echo "$b")
}
same "group list alike" group list
same "member list alike" member list Team
check "the own entry carries the name typed" grep -q $'alice@example.com\tAlice Able\tmanager' \
  <<<"$("$Z" --home "$work/typed" member list Team </dev/null 2>/dev/null)"
keyless() { python3 -c 'import json,sys
items = json.load(sys.stdin)
for i in items:
    i.pop("item_id", None); i.pop("id", None)
print(json.dumps(items, sort_keys=True))'; }
a=$("$Z" --home "$work/typed" appt list --json </dev/null 2>/dev/null | keyless)
b=$("$Z" --home "$work/given" appt list --json </dev/null 2>/dev/null | keyless)
check "appointments alike" test "$a" = "$b"
check "the appointment is shared with Team" grep -q '"groups": "Team"' <<<"$a"
check "the group has the two invited members" \
  bash -c 'grep -q "bob@example.com" <<<"$1" && grep -q "carol@example.com" <<<"$1"' _ "$("$Z" --home "$work/typed" member list Team </dev/null 2>/dev/null)"

# --- what the dialogs refuse, given as commands -----------------------------
refused() {  # refused NAME TEXT ARGS...: non-zero, and TEXT on the terminal
  local name=$1 text=$2; shift 2
  local out rc
  out=$("$Z" --home "$work/given" "$@" </dev/null 2>&1); rc=$?
  check "$name" bash -c '[ "$1" -ne 0 ] && grep -qF -- "$2" <<<"$3"' _ "$rc" "$text" "$out"
}
refused "a group the owner is not in" 'no group named "Nope"' appt groups "$id_given" "Team;Nope"
check "a refused choice keeps the groups" grep -q $'\tTeam\t' <<<"$("$Z" --home "$work/given" appt list </dev/null 2>/dev/null)"
refused "another member's entry" "only your own entry" member edit bob@example.com --name Robert
refused "one's own sharing" "may not switch the sharing of alice@example.com" member edit alice@example.com --sharing off
refused "recipients of no meeting's copy" "no copy of a meeting" appt recipients "$id_given"
refused "a person in a group that is not there" 'no group named "Gone"' member groups bob@example.com "Gone"
check "a person's groups emptied" grep -q "bob@example.com is now in: no group" \
  <<<"$("$Z" --home "$work/given" member groups bob@example.com "" </dev/null 2>/dev/null)"
check "and he is out of the group (his add was still pending)" bash -c '! grep -q "bob@example.com" <<<"$1"' _ \
  "$("$Z" --home "$work/given" member list Team </dev/null 2>/dev/null)"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
