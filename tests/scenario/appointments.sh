#!/usr/bin/env bash
# Appointments travel, through the zentabo program only: alice, bob
# (assistant) and carol in "Team" on one post office, carol also in "Other"
# without alice. Alice adds the kinds of items a calendar holds; after the
# exchange bob's and carol's shared folders hold exactly what the sharing
# rules give. Then changes and deletions follow, bob edits alice's item for
# her, carol may not, dave joins later and receives the earlier items, and
# an item deleted while alice's add-in was not running is removed at the
# members after her next local synchronisation.
# Usage: appointments.sh ZENTABO_BINARY
set -uo pipefail
Z=${1:?usage: appointments.sh ZENTABO_BINARY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
# The items lie in the days after today, inside the window of dates shared.
base=$(date -d tomorrow +%Y-%m-%d)
d() { date -d "$base + $1 day" +%Y-%m-%d; }  # d N: the date N days after tomorrow

z() { "$Z" --home "$work/$1" --answer yes "${@:2}" 2>>"$work/stderr"; }
sync_all() { for who in "$@"; do z "$who" sync >/dev/null; done; }
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"; else failed=$((failed + 1)); echo "FAIL $name"; fi
}
same() {  # same NAME WANT GOT
  if [ "$2" = "$3" ]; then passed=$((passed + 1)); echo "ok   $1"
  else failed=$((failed + 1)); echo "FAIL $1: want '$2', got '$3'"; fi
}

# The JSON listing of a folder, flattened to "object <TAB> field <TAB> value"
# (values of texts without their quotes): "3 attachments[1].sha256 ab12...".
listing() {  # listing HOME [--shared]: writes $work/HOME.flat
  z "$1" appt list --json "${@:2}" >"$work/$1.json"
  awk '
    /^  \{/ { n++; sec = ""; next }
    /^      \{/ { idx++; next }
    {
      if (!match($0, /"[a-z_0-9]+": /)) next
      ind = RSTART - 1
      key = substr($0, RSTART + 1, RLENGTH - 4)
      val = substr($0, RSTART + RLENGTH); sub(/,$/, "", val); gsub(/^"|"$/, "", val)
      if (ind == 4) {
        if (val == "[" || val == "{") { sec = key; idx = 0; next }
        print n "\t" key "\t" val
      } else if (ind == 6) print n "\t" sec "." key "\t" val
      else print n "\t" sec "[" idx "]." key "\t" val
    }' "$work/$1.json" >"$work/$1.flat"
}
# field HOME START PATH: the value of PATH of the item starting at START in
# the last listing of HOME ("" when there is none).
field() {
  awk -F'\t' -v s="$2" -v p="$3" '
    { v[$1 FS $2] = $3 } $2 == "start" && $3 == s { n = $1 }
    END { if (n != "") print v[n FS p] }' "$work/$1.flat"
}
count() { awk -F'\t' '$2 == "start"' "$work/$1.flat" | wc -l; }
# The entry id of the item starting at START in HOME's shared folder.
shared_id() { listing "$1" --shared; field "$1" "$2" id; }

for who in "alice:Alice Able" "bob:Bob Baker" "carol:Carol Cole" "dave:Dave Dunn"; do
  "$Z" profile init --home "$work/${who%%:*}" --name "${who#*:}" --email "${who%%:*}@example.com" \
    --postoffice "$work/po" >/dev/null
done

# --- the groups ----------------------------------------------------------
z alice group create Team >/dev/null
z alice member add Team bob@example.com --name "Bob Baker" --role assistant >/dev/null
z alice member add Team carol@example.com --name "Carol Cole" >/dev/null
sync_all bob carol alice bob carol
z carol group create Other >/dev/null
z carol member add Other bob@example.com --name "Bob Baker" >/dev/null
sync_all bob carol bob
check "the groups are active" bash -c "[ \$('$Z' --home '$work/carol' group list | grep -c active) -eq 5 ]"

# --- alice's items ----------------------------------------------------------
printf 'plain text\n' >"$work/notes.txt"
head -c 3000 /dev/urandom >"$work/forward.msg"
PLAIN=$(z alice appt add --subject "Plain" --start "$(d 0) 09:00" --minutes 60 --location "Room 1" \
  --body "Agenda" --categories "Blue" --groups Team)
PRIVATE=$(z alice appt add --subject "Dentist" --start "$(d 0) 14:00" --minutes 30 --private \
  --location "Dr. Who" --body "secret" --groups Team)
SERIES=$(z alice appt add --subject "Weekly" --start "$(d 1) 10:00" --minutes 30 --recur weekly,count=4 \
  --groups Team)
z alice appt change "$SERIES" --occurrence $(d 8) --subject "Weekly moved" --start "$(d 8) 11:00" >/dev/null
z alice appt change "$SERIES" --occurrence $(d 15) --delete >/dev/null
FILES=$(z alice appt add --subject "Files" --start "$(d 2) 10:00" --minutes 30 --attach "$work/notes.txt" \
  --attach "$work/forward.msg" --groups Team)
NOBODY=$(z alice appt add --subject "Nobody" --start "$(d 2) 15:00" --minutes 30 --no-group)
HOLIDAY=$(z alice appt add --subject "Holiday" --start $(d 4) --all-day --groups Team)
MEETING=$(z alice appt add --subject "Meeting" --start "$(d 3) 13:00" --minutes 45 --meeting \
  --attendee bob@example.com --groups Team)
check "appt add prints entry ids" test -n "$PLAIN" -a -n "$PRIVATE" -a -n "$SERIES" -a -n "$FILES" -a \
  -n "$NOBODY" -a -n "$HOLIDAY" -a -n "$MEETING"
listing alice --shared
same "alice's shared folder holds her seven items" 7 "$(count alice)"
same "alice's copy of the meeting is a sham" "0 1" \
  "$(field alice "$(d 3) 13:00" meeting_status) $(field alice "$(d 3) 13:00" sham_meeting)"


# Bad input is refused with one clear line, and nothing is added.
refused() {  # refused NAME TEXT ARGS...: the command fails naming TEXT; alice's calendar keeps its count
  local name=$1 text=$2 before out rc
  shift 2
  listing alice; before=$(count alice)
  out=$("$Z" --home "$work/alice" "$@" 2>&1 >/dev/null); rc=$?
  listing alice
  check "$name" bash -c "[ $rc -ne 0 ] && grep -q -- '$text' <<<'${out//\'/}' && [ $before -eq $(count alice) ]"
}
refused "a group alice is not in" 'no group named "Others"' appt add --subject x --start "2026-12-01 10:00" \
  --minutes 5 --groups "Team;Others"
refused "groups without the add-in" "dialog" --no-safeitems appt add --subject x --start "2026-12-01 10:00" \
  --minutes 5 --groups Team
refused "a date that is none" "no date of the calendar" appt add --subject x --start "2026-02-30 10:00" --minutes 5
refused "an attachment that is no file" "no such file" appt add --subject x --start "2026-12-01 10:00" \
  --minutes 5 --attach "$work/none.txt"
printf '[{"subject": "a", "start": "2026-12-01 10:00", "end": "2026-12-01 11:00"},\n {"subject": "b"}]' \
  >"$work/bad.json"
refused "an import with a bad object" 'object 2 has no "start"' appt import "$work/bad.json"

# Alice pastes two more in bulk: a series with a changed occurrence and an
# item with an attachment.
cat >"$work/paste.json" <<JSON
[
  {"subject": "Imported series", "start": "$(d 7) 16:00", "end": "$(d 7) 16:30", "groups": "Team",
   "recurrence": {"type": "daily", "interval": 1, "count": 3},
   "exceptions": [{"original": "$(d 8) 16:00", "deleted": false, "subject": "Imported moved",
                   "start": "$(d 8) 17:00", "end": "$(d 8) 17:30"}]},
  {"subject": "Imported file", "start": "$(d 7) 18:00", "end": "$(d 7) 18:30", "groups": "Team",
   "attachments": [{"name": "notes.txt", "path": "$work/notes.txt"}]}
]
JSON
check "appt import" bash -c "'$Z' --home '$work/alice' appt import '$work/paste.json' 2>/dev/null | grep -q 'imported 2 appointments'"
listing alice --shared
same "imported items are shared" "Imported series|Imported file|notes.txt" \
  "$(field alice "$(d 7) 16:00" subject)|$(field alice "$(d 7) 18:00" subject)|$(field alice "$(d 7) 18:00" "attachments[1].name")"

sync_all alice bob carol

# Bob, the meeting's attendee, gets no copy of it (his comes as the meeting
# request); carol gets it as a sham copy.
same "bob: alice's items but the meeting" 8 "$(listing bob --shared; count bob)"
same "carol: all of alice's items" 9 "$(listing carol --shared; count carol)"
same "bob: no sham copy of the meeting he attends" "" "$(field bob "$(d 3) 13:00" subject)"
same "carol: the meeting as a sham copy" "[Alice Able] Meeting|0|1" \
  "$(field carol "$(d 3) 13:00" subject)|$(field carol "$(d 3) 13:00" meeting_status)|$(field carol "$(d 3) 13:00" sham_meeting)"
for who in bob carol; do
  listing $who --shared
  same "$who: the imported series" "[Alice Able] Imported series|daily|3|$(d 8) 17:00" \
    "$(field $who "$(d 7) 16:00" subject)|$(field $who "$(d 7) 16:00" recurrence.type)|$(field $who "$(d 7) 16:00" recurrence.count)|$(field $who "$(d 7) 16:00" "exceptions[1].start")"
  same "$who: plain item with the owner prefix" "[Alice Able] Plain" "$(field $who "$(d 0) 09:00" subject)"
  same "$who: plain item's owner" "alice@example.com" "$(field $who "$(d 0) 09:00" owner)"
  same "$who: plain item's groups" "Team" "$(field $who "$(d 0) 09:00" groups)"
  same "$who: plain item's location" "Room 1" "$(field $who "$(d 0) 09:00" location)"
  same "$who: private item blanked" "[Alice Able] |||busy" \
    "$(field $who "$(d 0) 14:00" subject)|$(field $who "$(d 0) 14:00" location)|$(field $who "$(d 0) 14:00" body)|$(field $who "$(d 0) 14:00" busy)"
  same "$who: series" "weekly 1 4" \
    "$(field $who "$(d 1) 10:00" recurrence.type) $(field $who "$(d 1) 10:00" recurrence.interval) $(field $who "$(d 1) 10:00" recurrence.count)"
  same "$who: series' changed occurrence" "false $(d 8) 11:00" \
    "$(field $who "$(d 1) 10:00" "exceptions[1].deleted") $(field $who "$(d 1) 10:00" "exceptions[1].start")"
  same "$who: series' deleted occurrence" "$(d 15) 10:00 true" \
    "$(field $who "$(d 1) 10:00" "exceptions[2].original") $(field $who "$(d 1) 10:00" "exceptions[2].deleted")"
  same "$who: attachment byte-identical, the .msg left out" \
    "notes.txt $(sha256sum <"$work/notes.txt" | cut -d' ' -f1) " \
    "$(field $who "$(d 2) 10:00" "attachments[1].name") $(field $who "$(d 2) 10:00" "attachments[1].sha256") $(field $who "$(d 2) 10:00" "attachments[2].name")"
  same "$who: the null-group item only as an anonymous busy block" "||(Null Group)|busy" \
    "$(field $who "$(d 2) 15:00" subject)|$(field $who "$(d 2) 15:00" location)|$(field $who "$(d 2) 15:00" groups)|$(field $who "$(d 2) 15:00" busy)"
  same "$who: all-day item" "true $(d 5) 00:00" \
    "$(field $who "$(d 4) 00:00" all_day) $(field $who "$(d 4) 00:00" end)"
done

# --- alice changes and deletes; the copies follow -------------------------
z alice appt change "$PLAIN" --subject "Plain changed" --start "$(d 0) 08:00" >/dev/null
z alice appt delete "$HOLIDAY" >/dev/null
refused "a change of a deleted item" "is in Deleted Items" appt change "$HOLIDAY" --subject "Back again"
z alice appt change "$SERIES" --occurrence $(d 22) --delete >/dev/null
sync_all alice bob carol
listing alice
same "alice's series is still the item she made (no member sent it back)" "$SERIES" \
  "$(field alice "$(d 1) 10:00" id)"
for who in bob carol; do
  listing $who --shared
  same "$who: the change followed" "[Alice Able] Plain changed" "$(field $who "$(d 0) 08:00" subject)"
  same "$who: the old time is gone" "" "$(field $who "$(d 0) 09:00" subject)"
  same "$who: the deletion followed" "" "$(field $who "$(d 4) 00:00" subject)"
  same "$who: the series lost one more" "$(d 22) 10:00 true" \
    "$(field $who "$(d 1) 10:00" "exceptions[3].original") $(field $who "$(d 1) 10:00" "exceptions[3].deleted")"
done

# --- bob, assistant, edits alice's item; alice's calendar follows ---------
BOBS=$(shared_id bob "$(d 0) 08:00")
z bob appt change "$BOBS" --location "Room 2" >/dev/null
check "bob's edit of alice's item is accepted" test $? -eq 0
sync_all bob alice carol
listing alice
same "alice's calendar follows bob's edit" "Plain changed|Room 2" \
  "$(field alice "$(d 0) 08:00" subject)|$(field alice "$(d 0) 08:00" location)"
listing carol --shared
same "carol's copy follows bob's edit" "Room 2" "$(field carol "$(d 0) 08:00" location)"

# --- carol, member, may not edit alice's item: refused, nothing sent -----
CAROLS=$(shared_id carol "$(d 0) 08:00")
"$Z" --home "$work/carol" appt change "$CAROLS" --location "Room 9" 2>"$work/refusal" >/dev/null
check "carol's edit is refused" test $? -ne 0
check "the refusal says so" grep -q "appointment is not sent" "$work/refusal"
before=$(ls "$work/po/alice@example.com/new" | wc -l)
z carol sync >/dev/null
same "carol's sync sends alice nothing" "$before" "$(ls "$work/po/alice@example.com/new" | wc -l)"
sync_all alice bob
listing alice
same "alice's calendar keeps its location" "Room 2" "$(field alice "$(d 0) 08:00" location)"
listing bob --shared
same "bob's copy keeps its location" "Room 2" "$(field bob "$(d 0) 08:00" location)"

# --- dave joins Team later and receives alice's earlier items ------------
z alice member add Team dave@example.com --name "Dave Dunn" >/dev/null
sync_all dave alice dave alice dave
listing dave --shared
same "dave receives alice's earlier items" "[Alice Able] Plain changed|[Alice Able] Files" \
  "$(field dave "$(d 0) 08:00" subject)|$(field dave "$(d 2) 10:00" subject)"

# --- deleted while alice's add-in was not running --------------------------
z alice --no-safeitems appt delete "$FILES" >/dev/null
sync_all alice bob
listing bob --shared
same "unseen deletion not sent by itself" "[Alice Able] Files" "$(field bob "$(d 2) 10:00" subject)"
z alice localsync >/dev/null
sync_all alice bob carol
for who in bob carol; do
  listing $who --shared
  same "$who: the unseen deletion follows alice's local synchronisation" "" "$(field $who "$(d 2) 10:00" subject)"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
