#!/bin/sh
# Dependencies run one way: updater -> discovery -> transport -> platform, with the flasher,
# the staging of a boot-time update and the physical-access library beside them. Each row
# names a product folder and the folders it must never include; tools/, sim/ and tests/ sit
# above the whole product. Prints every offending include and fails when there is one.
# usage: layering.sh [SOURCE_ROOT]
cd "${1:-.}" || exit 2
above="tools sim tests"
status=0
while read -r folder forbidden; do
  [ -n "$folder" ] || continue
  for higher in $forbidden $above; do
    if grep -rnE --include='*.cpp' --include='*.hpp' --include='*.h' --include='*.c' \
        "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"$higher/" "${folder%:}"; then
      echo "${folder%:} must not include $higher/" >&2
      status=1
    fi
  done
done <<'TABLE'
platform:  transport discovery tessel bootflash staging updater
transport: discovery tessel bootflash staging updater
discovery: tessel bootflash staging updater
tessel:    transport discovery bootflash staging updater
bootflash: transport discovery tessel staging updater
staging:   discovery tessel updater
updater:   tessel
TABLE
exit "$status"
