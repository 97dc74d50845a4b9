#!/usr/bin/env bash
# Three homes sharing one post office, driven only through the zentabo
# program: alice creates "Team" and invites bob and carol; bob accepts,
# carol declines; then role, name and sharing changes, a removal and the
# group's dissolution. After each step every home's groups are checked.
# Usage: group_protocol.sh ZENTABO_BINARY
set -euo pipefail
Z=${1:?usage: group_protocol.sh ZENTABO_BINARY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

z() { local who=$1; shift; "$Z" --home "$work/$who" "$@" >/dev/null; }

# The groups of a home, one line per group and member: the member's address,
# name, role, sharing and status (tabs turned into single spaces).
groups_of() { "$Z" --home "$work/$1" group list | tr '\t' ' '; }

expect() {
  local who=$1 step=$2 want=$3 got
  got=$(groups_of "$who")
  if [ "$got" != "$want" ]; then
    echo "FAIL [$step] $who's groups:"
    echo "--- expected"; printf '%s\n' "$want"
    echo "--- got"; printf '%s\n' "$got"
    failures=$((failures + 1))
  else
    echo "ok   [$step] $who"
  fi
}

for u in alice bob carol; do
  "$Z" profile init --home "$work/$u" --name "${u^}" --email "$u@example.com" --postoffice "$work/po" >/dev/null
done

A_MGR="  alice@example.com Alice manager sharing active"

# 1. alice creates Team and invites bob and carol.
z alice group create Team
z alice member add Team bob@example.com --name Bob
z alice member add Team carol@example.com --name Carol
expect alice invite "Team
$A_MGR (you)
  bob@example.com Bob member sharing pending
  carol@example.com Carol member sharing pending"

# 2. bob accepts, carol declines.
z bob --answer yes sync
z carol --answer no sync
expect bob accept "Team (you: pending)
$A_MGR
  bob@example.com Bob member sharing pending (you)"
expect carol decline ""

# 3. alice takes the answers: bob active, carol gone; bob takes the confirmation.
z alice sync
z bob sync
expect alice answers "Team
$A_MGR (you)
  bob@example.com Bob member sharing active"
expect bob confirmed "Team
$A_MGR
  bob@example.com Bob member sharing active (you)"

# 4. alice makes bob assistant.
z alice member role Team bob@example.com assistant
z bob sync
expect alice role "Team
$A_MGR (you)
  bob@example.com Bob assistant sharing active"
expect bob role "Team
$A_MGR
  bob@example.com Bob assistant sharing active (you)"

# 5. bob renames himself.
z bob member rename Team bob@example.com Robert
z alice sync
expect bob rename "Team
$A_MGR
  bob@example.com Robert assistant sharing active (you)"
expect alice rename "Team
$A_MGR (you)
  bob@example.com Robert assistant sharing active"

# 6. alice switches bob's sharing off: bob leaves the group on his side.
z alice member share Team bob@example.com off
z bob sync
expect alice share-off "Team
$A_MGR (you)
  bob@example.com Robert assistant not sharing active"
expect bob share-off ""

# 7. ... and on again: bob consents, the membership completes on both sides.
z alice member share Team bob@example.com on
expect alice share-on-asked "Team
$A_MGR (you)
  bob@example.com Robert assistant sharing pending"
z bob --answer yes sync
z alice sync
z bob sync
expect alice share-on "Team
$A_MGR (you)
  bob@example.com Robert assistant sharing active"
expect bob share-on "Team
$A_MGR
  bob@example.com Robert assistant sharing active (you)"

# 8. alice removes bob.
z alice member remove Team bob@example.com
z bob sync
expect alice remove "Team
$A_MGR (you)"
expect bob removed ""

# 9. carol joins after all, then alice dissolves the group.
z alice member add Team carol@example.com --name Carol
z carol --answer yes sync
z alice sync
z carol sync
expect carol joined "Team
$A_MGR
  carol@example.com Carol member sharing active (you)"
z alice group delete Team
z carol sync
expect alice dissolved ""
expect carol dissolved ""
expect bob dissolved ""

# Nothing is left lying in anyone's mailbox.
for u in alice bob carol; do
  if [ -d "$work/po/$u@example.com/new" ] && [ -n "$(ls -A "$work/po/$u@example.com/new")" ]; then
    echo "FAIL mail left in $u's mailbox"; failures=$((failures + 1))
  fi
done

checks=$(grep -c '^expect ' "$0")
echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
