#!/bin/bash
# The source folders depend on each other in one direction only:
#   platform <- config <- commands <- widgets <- window <- app
# A file may include its own folder and the folders to its left. Only the
# platform folder includes operating-system headers.
set -u
cd "$(dirname "$0")/../src" || exit 2
order=(platform config commands widgets window app)
rank() { local i; for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && echo "$i" && return; done; echo -1; }
status=0
for layer in "${order[@]}"; do
    own=$(rank "$layer")
    while IFS=: read -r file line text; do
        used=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$text")
        r=$(rank "$used")
        if [ "$r" -gt "$own" ]; then
            echo "src/$file:$line: $layer must not include $used: $text"
            status=1
        fi
    done < <(grep -rnE '^#include "[a-z]+/' "$layer" --include='*.h' --include='*.cpp')
done
while IFS= read -r hit; do
    echo "src/$hit: operating-system header outside src/platform"
    status=1
done < <(grep -rnE '^#include <(windows|unistd|fcntl|dlfcn|X11/[^>]*|sys/[^>]*|shellapi|setupapi|cfgmgr32)\.h>' . \
             --include='*.h' --include='*.cpp' | grep -v '^\./platform/' | sed 's#^\./##')
exit $status
