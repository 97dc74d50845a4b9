#!/usr/bin/env bash
# A meeting travels from organiser to attendee, through the zentabo program
# only: alice, bob and carol in "Team" on one post office. Alice sends bob a
# meeting request with a linked contact and a reminder; bob's Inbox shows it
# without the contacts line and the reminder note; accepting it puts it in
# his calendar with the contact linked (made in his contacts, as he had
# none) and the reminder set. The group's shared folders show the meeting as
# sham copies, and alice's update of the meeting sends bob an updated
# request and replaces the earlier sham copies.
# Usage: meetings.sh ZENTABO_BINARY
set -uo pipefail
Z=${1:?usage: meetings.sh ZENTABO_BINARY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
base=$(date -d tomorrow +%Y-%m-%d)
d() { date -d "$base + $1 day" +%Y-%m-%d; }

z() { "$Z" --home "$work/$1" --answer yes "${@:2}" 2>>"$work/stderr"; }
sync_all() { for who in "$@"; do z "$who" sync >/dev/null; done; }
same() {  # same NAME WANT GOT
  if [ "$2" = "$3" ]; then passed=$((passed + 1)); echo "ok   $1"
  else failed=$((failed + 1)); echo "FAIL $1: want '$2', got '$3'"; fi
}
# The JSON listing of a folder, flattened to "object <TAB> field <TAB> value".
listing() {  # listing HOME [--shared]: writes $work/HOME.flat
  z "$1" appt list --json "${@:2}" >"$work/$1.json"
  awk '
    /^  \{/ { n++; next }
    {
      if (!match($0, /^    "[a-z_0-9]+": /)) next
      key = substr($0, RSTART + 5, RLENGTH - 8)
      val = substr($0, RSTART + RLENGTH); sub(/,$/, "", val); gsub(/^"|"$/, "", val)
      print n "\t" key "\t" val
    }' "$work/$1.json" >"$work/$1.flat"
}
# field HOME MATCH-FIELD MATCH-VALUE FIELD: FIELD of the items whose
# MATCH-FIELD is MATCH-VALUE in the last listing, joined by "|".
field() {
  awk -F'\t' -v k="$2" -v m="$3" -v f="$4" '
    { v[$1 FS $2] = $3 } $2 == k && $3 == m { hit[$1] = 1 }
    END { s = ""; for (n in hit) s = s (s == "" ? "" : "|") v[n FS f]; print s }' "$work/$1.flat"
}
inbox_request() { z "$1" inbox list | awk -F'\t' '$2 == "meeting-request" { print $1 }'; }

for who in "alice:Alice Able" "bob:Bob Baker" "carol:Carol Cole"; do
  "$Z" profile init --home "$work/${who%%:*}" --name "${who#*:}" --email "${who%%:*}@example.com" \
    --postoffice "$work/po" >/dev/null
done
z alice group create Team >/dev/null
z alice member add Team bob@example.com --name "Bob Baker" >/dev/null
z alice member add Team carol@example.com --name "Carol Cole" >/dev/null
sync_all bob carol alice bob carol

# --- alice sends the request ------------------------------------------------
out=$(z alice appt add --subject "Planning" --start "$(d 1) 13:00" --minutes 45 --location "Room 1" \
  --body "Agenda: the budget" --meeting --attendee bob@example.com --contact "Dan Dorn <dan@example.com>" \
  --reminder 20 --groups Team)
MEETING=$(head -1 <<<"$out")
same "appt add sends the request" "sent the meeting request to bob@example.com" "$(sed -n 2p <<<"$out")"
listing alice
same "alice's meeting keeps its contact" "Dan Dorn" "$(field alice id "$MEETING" contacts)"
sync_all alice

# --- bob's Inbox -------------------------------------------------------------
REQUEST=$(inbox_request bob)
same "bob's Inbox holds one meeting request" 1 "$(wc -w <<<"$REQUEST")"
same "the request's line" "meeting-request	Planning	alice@example.com" \
  "$(z bob inbox list | awk -F'\t' '$2 == "meeting-request" { print $2 "\t" $3 "\t" $4 }')"
z bob inbox show "$REQUEST" >"$work/show"
same "the request's times and place" "start: $(d 1) 13:00|end: $(d 1) 13:45|location: Room 1" \
  "$(grep -E '^(start|end|location):' "$work/show" | paste -sd'|')"
same "the body has neither the contacts line nor the note" "Agenda: the budget" \
  "$(sed '1,/^$/d' "$work/show")"
same "the contact is linked, made in bob's contacts" "contact: Dan Dorn <dan@example.com>" \
  "$(grep '^contact:' "$work/show")"
same "the reminder arrived beside the body" "reminder: 20" "$(grep '^reminder:' "$work/show")"

# --- bob accepts -------------------------------------------------------------
ACCEPTED=$(z bob inbox accept "$REQUEST" | sed -n 's/^accepted //p')
listing bob
same "the meeting is in bob's calendar" "Planning|$(d 1) 13:00|Room 1|3" \
  "$(field bob id "$ACCEPTED" subject)|$(field bob id "$ACCEPTED" start)|$(field bob id "$ACCEPTED" location)|$(field bob id "$ACCEPTED" meeting_status)"
same "with the contact linked and the reminder set" "Dan Dorn|20" \
  "$(field bob id "$ACCEPTED" contacts)|$(field bob id "$ACCEPTED" reminder)"
same "the accepted request left the Inbox" "" "$(inbox_request bob)"

# --- the group's shared folders ---------------------------------------------
sync_all alice carol
listing carol --shared
same "carol: the meeting as a sham copy" "[Alice Able] Planning|$(d 1) 13:00|1" \
  "$(field carol owner alice@example.com subject)|$(field carol owner alice@example.com start)|$(field carol owner alice@example.com sham_meeting)"
OLD_COPY=$(field carol owner alice@example.com id)

# --- alice updates the meeting ----------------------------------------------
out=$(z alice appt change "$MEETING" --start "$(d 1) 15:00" --location "Room 9")
same "the change sends an updated request" "sent the meeting request to bob@example.com" "$(sed -n 1p <<<"$out")"
sync_all alice carol
listing carol --shared
same "carol: the update replaced the sham copy" "1|$(d 1) 15:00|Room 9|1" \
  "$(awk -F'\t' '$2 == "owner" && $3 == "alice@example.com"' "$work/carol.flat" | wc -l)|$(field carol owner alice@example.com start)|$(field carol owner alice@example.com location)|$(field carol owner alice@example.com sham_meeting)"
same "carol: the earlier copy is gone" "" "$(field carol id "$OLD_COPY" subject)"
UPDATE=$(inbox_request bob)
same "bob's Inbox holds the updated request" 1 "$(wc -w <<<"$UPDATE")"
AGAIN=$(z bob inbox accept "$UPDATE" | sed -n 's/^accepted //p')
listing bob
same "accepting the update moves bob's meeting, no second one" "$ACCEPTED|$(d 1) 15:00|Room 9|1" \
  "$AGAIN|$(field bob id "$ACCEPTED" start)|$(field bob id "$ACCEPTED" location)|$(awk -F'\t' '$2 == "subject" && $3 == "Planning"' "$work/bob.flat" | wc -l)"
same "the contact stays linked once" "Dan Dorn" "$(field bob id "$ACCEPTED" contacts)"

# --- bad input ---------------------------------------------------------------
err=$("$Z" --home "$work/bob" inbox accept "$ACCEPTED" 2>&1 >/dev/null)
same "accepting what is not in the Inbox is refused" 'zentabo: no item with the entry id "'"$ACCEPTED"'" in the Inbox' "$err"
err=$("$Z" --home "$work/alice" appt add --subject x --start "$(d 2) 10:00" --minutes 5 --contact "Nobody" 2>&1 >/dev/null)
same "a contact without address is refused" 'zentabo: "Nobody" names no contact: give "Name <address>"' "$err"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
