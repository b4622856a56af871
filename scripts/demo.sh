#!/usr/bin/env bash
# Installs what is missing, builds the default preset and runs the main job:
# the simulated point-of-sale host registers the plug-in library in a fresh
# temporary registry, loads it, discovers and prepares its eight plug-ins and
# prints what it saw, then unregisters it again; the receipt service; and a
# whole sale staged from a scenario file.
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
# Whole sales: pos-host stages the sales of tests/scenarios/sale_outcomes.yaml
# (three items, cash and card) in a host folder kept under the demo's work
# folder, with its own database copy and receipt service over TLS, fires the
# invoice plug-in's before- and after-update events, plays the cashier,
# prints the transcript and checks the scenario's expectations. The first
# sale is an e-mail receipt: the service's sent answer, then the sent notice.
# ---------------------------------------------------------------------------
cmake --build --preset default -j "$(nproc)" --target pos-host host_db_fixture >/dev/null
echo
echo "== pos-host run tests/scenarios/sale_outcomes.yaml"
# The cashier's screenshots outlive the demo's work folder.
shots="$PWD/$build/demo/screenshots"
"$build/standins/host/pos-host" run "$library" tests/scenarios/sale_outcomes.yaml \
  --screenshots "$shots" --keep "$work/sale" ||
  echo "demo: the scenario did not hold (exit $?)"
echo
echo "== the sent notice of the e-mail sale: $shots/sent.png"
echo
echo "== the receipt request the service received for it"
cat "$work/sale/received/3-sendDigitalReceipt.xml"
echo
