#!/usr/bin/env bash
# Checks that the code's dependencies run one way: every source file may include headers
# of its own folder and of the folders below it, never of a folder above or beside it.
#
#   app/                                   may use everything below
#   document/                              dialogs, editor, links, settings, recovery, platform
#   dialogs/                               editor, settings, platform
#   editor/  toolbars/  settings/  links/  platform only
#   recovery/
#   platform/                              Qt and the system only
#
# Usage: check_layers.sh [SOURCE-DIR]. Prints every include that breaks the rule and
# exits with 1 when there is one; a folder of sources that is not in the table fails too.
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

declare -A may_use=(
  [platform]=""
  [editor]="platform"
  [toolbars]="platform"
  [settings]="platform"
  [links]="platform"
  [recovery]="platform"
  [dialogs]="editor settings platform"
  [document]="dialogs editor links settings recovery platform"
  [app]="document dialogs editor toolbars links settings recovery platform"
)
# Folders that hold no code of the program.
not_code=" bench tests scripts resources build "

status=0
for folder in */; do
  folder=${folder%/}
  [[ "$not_code" == *" $folder "* || "$folder" == build* ]] && continue
  if ! compgen -G "$folder/*.cpp" >/dev/null && ! compgen -G "$folder/*.h" >/dev/null; then
    continue
  fi
  if [[ -z ${may_use[$folder]+set} ]]; then
    echo "$folder/: a folder of code that has no place in the layers (scripts/check_layers.sh)"
    status=1
    continue
  fi
  allowed=" $folder ${may_use[$folder]} "
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    header=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"${rest#*:}")
    if [[ "$header" == *..* ]]; then
      echo "$file:$line: includes \"$header\" through a relative path"
      status=1
      continue
    fi
    [[ "$header" == */* ]] || continue
    top=${header%%/*}
    if [[ -n ${may_use[$top]+set} && "$allowed" != *" $top "* ]]; then
      echo "$file:$line: $folder/ may not include \"$header\" ($top/ is not below it)"
      status=1
    fi
  done < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$folder"/*.cpp "$folder"/*.h 2>/dev/null || true)
done
if [[ $status -eq 0 ]]; then
  echo "layers: every include points down"
fi
exit $status
