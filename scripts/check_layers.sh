#!/usr/bin/env bash
# Checks the layer graph: every quoted include of a layer's sources names a
# header of the layer itself or of a layer it may use, and every layer under
# src/ links exactly the project layers it includes. Prints each offence and
# exits 1 when there is one. Run by the test command (CTest: layer_graph).
set -euo pipefail
cd "$(dirname "$0")/.."

# folder                   layers it may include (besides itself)
# A folder below a listed folder is a layer of its own when it has a row; the
# longest listed folder holding a file is the file's layer. A layer that may
# include a listed folder may include the layers below it too (src/receipt
# may use src/oracle and so src/oracle/query), but the layers inside a folder
# only as their own rows allow. Rows of folders not built yet hold their
# place in the order.
table='
src/platform
src/foundation             src/platform
src/dataset                src/platform
src/host_interfaces        src/platform
src/hostplugin             src/host_interfaces src/foundation src/platform
src/oracle/client          src/foundation src/platform
src/oracle/values          src/oracle/client src/foundation src/platform
src/oracle/session         src/oracle/values src/oracle/client src/foundation src/platform
src/oracle/query           src/oracle/session src/oracle/values src/oracle/client src/foundation src/platform
src/oracle/lob             src/oracle/query src/oracle/session src/oracle/values src/oracle/client src/dataset src/foundation src/platform
src/oracle/objects         src/oracle/lob src/oracle/query src/oracle/session src/oracle/values src/oracle/client src/foundation src/platform
src/oracle/filter          src/oracle/values src/oracle/client src/dataset src/platform
src/oracle/blob            src/oracle/values src/oracle/client src/dataset src/platform
src/oracle/qbe             src/oracle/query src/oracle/values src/dataset src/platform
src/oracle/dataset         src/oracle/objects src/oracle/lob src/oracle/query src/oracle/session src/oracle/values src/oracle/client src/oracle/filter src/oracle/blob src/oracle/qbe src/dataset src/foundation src/platform
src/oracle/dml             src/oracle/lob src/oracle/dataset src/oracle/query src/oracle/session src/oracle/values src/oracle/client src/dataset src/foundation src/platform
src/oracle/qbemode         src/oracle/dml src/oracle/dataset src/oracle/qbe src/oracle/values src/dataset src/platform
src/oracle/dictionary      src/oracle/dml src/oracle/dataset src/oracle/objects src/oracle/query src/oracle/session src/oracle/values src/oracle/client src/dataset src/foundation src/platform
src/oracle/provider        src/oracle/dictionary src/oracle/dml src/oracle/dataset src/oracle/lob src/oracle/query src/oracle/session src/oracle/values src/oracle/client src/dataset src/foundation src/platform
src/oracle                 src/oracle/provider src/oracle/dictionary src/oracle/dml src/oracle/dataset
src/receipt                src/oracle src/hostplugin src/host_interfaces src/foundation src/platform
src/dialogs                src/receipt src/oracle src/hostplugin src/host_interfaces src/foundation src/platform
src/plugins                src/dialogs src/receipt src/oracle src/hostplugin src/host_interfaces src/foundation src/platform
src/plugin                 src/plugins src/dialogs src/receipt src/hostplugin src/foundation src/platform
standins/ociclient         src/platform
standins/host              src/receipt src/host_interfaces src/platform standins/receiptservice testsupport/scripted_user
standins/receiptservice    src/receipt src/foundation
standins/queueservice      src/receipt src/foundation src/platform
testsupport/scripted_user
testsupport/common         src/foundation src/platform
testsupport/memory_dataset src/dataset src/platform
testsupport/oci_client     src/platform
testsupport/oracle_fixture src/oracle src/foundation src/platform
testsupport/receipt_service testsupport/scripted_user testsupport/common src/receipt src/foundation src/platform
testsupport/sales          testsupport/common src/receipt src/oracle src/foundation src/platform
'

# A layer under src/ is the static library norvane_<its path below src/, with
# "_" for "/"> (src/oracle/blob: norvane_oracle_blob).
lib_of() { local p=${1#src/}; printf 'norvane_%s' "${p//\//_}"; }

declare -A allowed dir_of_lib
layers=()
while read -r dir deps; do
  [ -n "$dir" ] || continue
  layers+=("$dir")
  allowed[$dir]=" $dir $deps "
  [[ "$dir" == src/* ]] && dir_of_lib[$(lib_of "$dir")]=$dir
done <<<"$table"

# Sets `layer` to the listed folder that holds a path (longest match), or to
# nothing.
layer_of() {
  local l
  layer=""
  for l in "${layers[@]}"; do
    case "$1/" in "$l"/*) ((${#l} > ${#layer})) && layer=$l ;; esac
  done
  return 0
}

# The layer an include of layer $2 counts as for layer $1: the outermost
# listed folder that holds $2 and not $1 (src/oracle for src/receipt including
# src/oracle/query; src/oracle/query itself for src/oracle/dataset).
outer_layer() {
  local from=$1 to=$2 l best=$2
  for l in "${layers[@]}"; do
    case "$to/" in "$l"/*) ;; *) continue ;; esac
    case "$from/" in "$l"/*) continue ;; esac
    ((${#l} < ${#best})) && best=$l
  done
  printf '%s' "$best"
}

# The file a quoted include names: beside the includer, else below src/ or
# testsupport/.
resolve() {
  local from_dir=$1 name=$2 root
  for root in "$from_dir" src testsupport; do
    if [ -f "$root/$name" ]; then
      case "$name" in
        *..*) realpath --relative-to=. "$root/$name" ;;
        *) printf '%s' "$root/$name" ;;
      esac
      return
    fi
  done
}

failed=0
for dir in "${layers[@]}"; do
  [ -d "$dir" ] || continue
  used=" "
  while IFS= read -r file; do
    layer_of "$file"
    [ "$layer" = "$dir" ] || continue # a sub-layer's own file
    while IFS=: read -r line name; do
      target=$(resolve "$(dirname "$file")" "$name")
      [ -n "$target" ] || continue # a system or toolkit header
      layer_of "$target"
      to=$(outer_layer "$dir" "$layer")
      [ -n "$to" ] || continue
      if [[ "${allowed[$dir]}" != *" $to "* ]]; then
        echo "$file:$line: includes \"$name\" of $to, which $dir may not use"
        failed=1
      elif [ "$to" != "$dir" ] && [[ "$used" != *" $to "* ]]; then
        used+="$to "
      fi
    done < <(grep -noE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' "$file" |
               sed -E 's/^([0-9]+):.*"([^"]+)"$/\1:\2/')
  done < <(find "$dir" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) | sort)

  # A layer under src/ links the project layers it includes, no more, no less.
  cmake_file="$dir/CMakeLists.txt"
  if [[ "$dir" == src/* && -f "$cmake_file" ]]; then
    own=$(lib_of "$dir")
    linked=" "
    for t in $(grep -v '^[[:space:]]*#' "$cmake_file" | grep -oE 'norvane_[a-z_]+' | sort -u); do
      [ "$t" != "$own" ] && [ -n "${dir_of_lib[$t]:-}" ] && [ -d "${dir_of_lib[$t]}" ] || continue
      linked+="${dir_of_lib[$t]} "
    done
    for l in $used; do
      [[ "$linked" == *" $l "* ]] || { echo "$cmake_file: includes $l but does not link $(lib_of "$l")"; failed=1; }
    done
    for l in $linked; do
      [[ "$used" == *" $l "* ]] || { echo "$cmake_file: links $(lib_of "$l") but includes nothing of it"; failed=1; }
    done
  fi
done

if ((failed)); then
  echo "layer graph: offences found"
  exit 1
fi
echo "layer graph: ${#layers[@]} folders checked, no offence"
