#!/usr/bin/env bash
# Installs what is missing, builds the default preset and runs the main job:
# the simulated point-of-sale host registers the plug-in library in a fresh
# temporary registry, loads it, discovers and prepares its eight plug-ins and
# prints what it saw, then unregisters it again; the receipt service; and a
# store's day of sales staged from a scenario file, summarised.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target Norvane94 pos-host >/dev/null

build=build/default
library="$PWD/$build/src/plugin/Norvane94.so"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The host runs from a scratch folder: the plug-in keeps its application log
# in the "logs" folder beside the host's executable.
host="$work/pos-host"
cp "$build/standins/host/pos-host" "$host"
export NORVANE_REGISTRY_FILE="$work/registry"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  mkdir -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR="$work/runtime"
fi

echo "== pos-host register"
"$host" register "$library"
echo
echo "== what registering wrote into $NORVANE_REGISTRY_FILE"
echo "  $(grep -c '^\[' "$NORVANE_REGISTRY_FILE") keys; the classes' ProgIDs:"
grep -o '^@=sz:"Norvane94\.[A-Za-z0-9_]*"' "$NORVANE_REGISTRY_FILE" | sort -u |
  sed 's/^@=sz:"\(.*\)"$/    \1/'
echo
echo "== pos-host discover"
"$host" discover "$library"
echo
# Each load starts a time-stamped log file; the newest is the discovery run's.
log=$(ls -t "$work"/logs/Norvane_*.log | head -n 1)
echo "== the plug-in's application log of that run ($(basename "$log"), first lines)"
head -n 24 "$log" | cut -c1-160
echo
echo "== pos-host unregister"
"$host" unregister "$library"
echo "keys left under HKEY_CLASSES_ROOT\\CLSID: $(grep -c '^\[HKEY_CLASSES_ROOT\\CLSID\\' "$NORVANE_REGISTRY_FILE" || true)"

# ---------------------------------------------------------------------------
# The receipt service: the sample receipt goes to the stand-in receipt service
# over TLS (its private authority trusted through NORVANE_CA_BUNDLE), the
# service shows what it received; then, with the service stopped, the same
# receipt goes to the queue folder.
# ---------------------------------------------------------------------------
cmake --build --preset default -j "$(nproc)" --target receipt-service receipt-demo-client >/dev/null
rs_bin="$build/standins/receiptservice"
rs_work="$work/receiptservice"
mkdir -p "$rs_work"
# Bounded, so that it never outlives the demo even when the demo fails.
timeout 300 "$rs_bin/receipt-service" --certs "$rs_work/certs" --record "$rs_work/received" \
  >"$rs_work/service.out" 2>&1 &
rs_pid=$!
for _ in $(seq 100); do
  grep -q '^listening ' "$rs_work/service.out" && break
  sleep 0.1
done
rs_url=$(awk '/^listening /{print $2}' "$rs_work/service.out")
echo
if [ -z "$rs_url" ]; then
  echo "demo: the receipt service did not start:"
  cat "$rs_work/service.out"
  kill "$rs_pid" 2>/dev/null || true
else
  echo "== receipt service listening at $rs_url"
  echo "== sending the sample receipt"
  NORVANE_CA_BUNDLE="$rs_work/certs/ca.pem" "$rs_bin/receipt-demo-client" \
    --url "$rs_url" --queue "$rs_work/Queue" --workstation 3 | cut -c1-300 ||
    echo "demo: the client failed"
  echo
  echo "== what the service received"
  for f in "$rs_work"/received/*.http; do
    echo "-- $(basename "$f")"
    cat "$f"
    echo
  done
  kill "$rs_pid"
  wait "$rs_pid" || true
  echo
  echo "== the service is stopped; sending the same receipt again"
  NORVANE_CA_BUNDLE="$rs_work/certs/ca.pem" "$rs_bin/receipt-demo-client" \
    --url "$rs_url" --queue "$rs_work/Queue" --workstation 3 ||
    echo "demo: the client failed"
  echo
  echo "== the queue folder"
  ls -l "$rs_work/Queue"
  for f in "$rs_work"/Queue/Q-*.xml; do
    echo "-- $(basename "$f") (first lines)"
    head -n 12 "$f"
  done
fi

# ---------------------------------------------------------------------------
# A store's day: pos-host runs tests/scenarios/store_day.yaml in a host folder
# kept under the demo's work folder: the configure call with a test receipt,
# seven sales with each receipt choice and the service failing in between, a
# reprint and a resend, a sale and a return recorded on the sales-order button
# and a deposit, then the accounting. The demo prints a summary of the
# transcript; the whole transcript stays in the work folder while it runs.
# ---------------------------------------------------------------------------
cmake --build --preset default -j "$(nproc)" --target pos-host host_db_fixture queue-service \
  >/dev/null
echo
echo "== a store's day: pos-host run tests/scenarios/store_day.yaml"
# The cashier's screenshots and the day's host folder (queue, requests
# received, logs) outlive the demo's work folder.
shots="$PWD/$build/demo/screenshots"
day="$PWD/$build/demo/day"
rm -rf "$day"
status=0
"$build/standins/host/pos-host" run "$library" tests/scenarios/store_day.yaml \
  --screenshots "$shots" --keep "$day" >"$work/day.txt" 2>"$work/day.err" || status=$?
# Each sale: the cashier's choice (the button pressed in the capture dialog,
# or none when the service's digital default needed no dialog), the notices
# shown, and the print plug-in's answers; then where each receipt went.
awk '
  /^Event [0-9]+: configure/ { print "configure: the setup dialog, a test receipt, Done" }
  /^Event [0-9]+: before update \(deposit\)/ { printf "deposit:"; deposit = 1; next }
  /^Event [0-9]+: before update/ { sale++; printf "sale %d:", sale }
  /^Event [0-9]+: ui event "(SALE|RETURN)RECORDED"/ {
    printf "%s on the sales-order button:", /SALE/ ? "sale recorded" : "return recorded"
    recorded = 1
  }
  recorded && /HandleBOUIEvent/ { print ""; recorded = 0 }
  deposit && /AfterUpdate/ { print ""; deposit = 0 }
  /^Event [0-9]+: side button "Email Receipt"/ { printf "resend with the e-mail button:"; resend = 1 }
  resend && /HandleEvent/ { print ""; resend = 0 }
  /^Event [0-9]+: side button "vesk Print"/ { printf "  reprint button pressed" }
  /^  Dialog [0-9]+: TfrmVesk(Result|Queued|Fail)/ { printf " notice %s;", $3 }
  /press "btn(DigitalOnly|DigitalPrint|PrintOnly|Send)"/ { gsub(/"/, "", $NF); printf " pressed %s;", $NF }
  /^Event [0-9]+: after update/ { }
  /^Event [0-9]+: print/ { printing = 1; printf "\n  print:" ; next }
  printing && /HandleEvent/ {
    sub(/^ *"[^"]*" /, ""); sub(/: HandleEvent [-0-9]+ /, " "); printf " %s;", $0; next
  }
  printing && /receipt message/ { printing = 0; printf "\n"; next }
  /^Queue service \(/ { print; queue = 1; next }
  queue && /^  Q-/ { print; next }
  { queue = 0 }
  /^Result:/ { print }
  /^(Accounting:|  receipt |DllCanUnloadNow|Unloaded)/ { print }
' "$work/day.txt"
[ "$status" -eq 0 ] || { echo "demo: the day did not hold (exit $status):"; cat "$work/day.txt"; }
echo
echo "== the dialogs' screenshots: $shots"
ls "$shots"
echo
echo "== the queue folder: $day/VeskRcpts/Queue"
shopt -s nullglob
queued=("$day"/VeskRcpts/Queue/*.xml)
[ "${#queued[@]}" -gt 0 ] || echo "  empty: the queue service delivered every queued receipt"
for f in "${queued[@]}"; do
  echo "  $(basename "$f"): receipt $(grep -o '<ReceiptNumber>[^<]*' "$f" | cut -d'>' -f2)," \
    "$(grep -o '<ReceiptType>[^<]*' "$f" | cut -d'>' -f2)"
done
shopt -u nullglob
echo
echo "== the queue service's log: $day/queue-service.log"
sed 's/^/  /' "$day/queue-service.log" 2>/dev/null || echo "  (none)"
echo
echo "== the requests the service received: $day/received"
for f in $(ls -v "$day"/received/*.xml); do
  number=$(grep -o '<ReceiptNumber>[^<]*' "$f" | cut -d'>' -f2 || true)
  echo "  $(basename "$f")${number:+: receipt $number}"
done
