#!/usr/bin/env bash
# The menu and the support report through the program alone: the menu as a
# running add-in shows it and as an inert one does; an option the options
# dialog refuses; the report of a home with logs, read back by Python's
# mail parser with its text and every log attached.
# Usage: report_and_menu.sh ZENTABO_BINARY
set -uo pipefail
Z=${1:?usage: report_and_menu.sh ZENTABO_BINARY}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"; else failed=$((failed + 1)); echo "FAIL $name"; fi
}

"$Z" profile init --home "$work/alice" --name Alice --email alice@example.com --postoffice "$work/po" >/dev/null
H=(--home "$work/alice" --answer default)

menu=$("$Z" "${H[@]}" menu)
check "menu: ten commands, all enabled" test "$(grep -c 'enabled  *mcbMenu' <<<"$menu")" -eq 10
check "menu: each entry names its command" grep -q 'mcbMenuBugReport	zentabo report' <<<"$menu"
check "menu: no debug command by default" bash -c "! grep -q mcbMenuDebug <<<'$menu'"
inert=$("$Z" "${H[@]}" --no-safeitems menu)
check "menu of an inert add-in: changing commands disabled" grep -q 'disabled  mcbMenuSynchronize' <<<"$inert"
check "menu of an inert add-in: the report stays available" grep -q 'enabled   mcbMenuBugReport' <<<"$inert"
"$Z" "${H[@]}" menu --click mcbMenuRefresh >/dev/null
check "menu: an entry is clicked" test $? -eq 0

out=$("$Z" "${H[@]}" options AutoGSynchPeriod 90 2>&1); rc=$?
check "options: the dialog's rule refuses 90 minutes" bash -c "[ $rc -ne 0 ] && grep -q '1 to 60' <<<'$out'"
"$Z" "${H[@]}" options AutoGSynchPeriod 15
check "options: an accepted value is stored" test "$("$Z" "${H[@]}" options AutoGSynchPeriod)" = 15
"$Z" "${H[@]}" options --edit 2>/dev/null
check "options --edit unattended keeps the values" test "$("$Z" "${H[@]}" options AutoGSynchPeriod)" = 15
printed=$("$Z" "${H[@]}" print)
check "print: the client's preview of the shared calendar" grep -q '^Zentabo (' <<<"$printed"

# A home with logs: the support library's (from the runs above) and two of
# the installation folder's.
install="$work/alice/Program Files/Korvel/Zentabo"
printf 'journal error\n' >"$install/Errors.log"
printf 'event 1\nevent 2\n' >"$install/CustomEvents.log"
eml=$("$Z" "${H[@]}" report --out "$work/report.eml")
check "report prints the file's path" test "$eml" = "$work/report.eml"
check "report file exists" test -s "$work/report.eml"
python3 - "$work/report.eml" "$work/alice/AppData/Roaming/Korvel/Zentabo" "$install" <<'PY'
import email, email.policy, os, sys
path, appdata, install = sys.argv[1:4]
with open(path, 'rb') as f:
    msg = email.message_from_binary_file(f, policy=email.policy.default)
assert msg['Subject'] == 'Zentabo Bug Report (Zentabo AddIn)', msg['Subject']
assert msg['X-Unsent'] == '1'
body = msg.get_body(preferencelist=('plain',)).get_content()
for needle in ('---- Please type bug description above this line.', 'Zentabo version: 3.01.0459',
               'User Address: alice@example.com', 'AutoGSynchPeriod: 15', 'GErrors.Log not found.', '<groups>'):
    assert needle in body, needle
attached = {p.get_filename(): p.get_content() for p in msg.iter_attachments()}
expected = {'zentab.log': os.path.join(appdata, 'zentab.log'), 'Errors.log': os.path.join(install, 'Errors.log'),
            'CustomEvents.log': os.path.join(install, 'CustomEvents.log')}
if os.path.exists(os.path.join(appdata, 'zentab.err')):
    expected['zentab.err'] = os.path.join(appdata, 'zentab.err')
assert set(attached) == set(expected), (sorted(attached), sorted(expected))
for name, file in expected.items():
    content = attached[name]
    content = content.encode() if isinstance(content, str) else content
    with open(file, 'rb') as f:
        on_disk = f.read()
    # The log goes on growing after the report took it: it starts the file.
    assert on_disk.startswith(content) and content, name
PY
check "python's email parser reads the report with its text and every log" test $? -eq 0
"$Z" "${H[@]}" appt list >/dev/null
check "the report waits as a draft, never sent" test -z "$(ls "$work/po/support@korvel.example/new" 2>/dev/null)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
