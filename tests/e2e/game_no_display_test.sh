# Tarrow started with no display says why on standard error and ends with a
# non-zero status, without crashing.
source "$E2E_LIB"
e2e_setup
cd "$WORK/level"

status=0
env -u DISPLAY timeout 20 "$TARROW" > "$WORK/app.out" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "tarrow without a display ended with status 0"
[ "$status" -lt 124 ] || fail "tarrow without a display hung or crashed (status $status)"
grep -q "^tarrow: .*no display could be opened (is DISPLAY set?)" "$WORK/app.out" ||
    fail "no message saying that no display could be opened"
echo "ok"
