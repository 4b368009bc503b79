#!/bin/bash
# Non-blank, non-comment lines of tests and of product code (bench and fuzz
# count as neither), as tracked by git.
cd "$(dirname "$0")/.." || exit 2
count() { xargs -r cat 2>/dev/null | grep -cvE '^\s*(//.*)?$'; }
t=$(git ls-files | grep -E '(^|/)tests?/' | grep -E '\.(cpp|h|hpp|cc)$' | count)
p=$(git ls-files | grep -Ev '(^|/)(tests?|bench|fuzz)/' | grep -E '\.(cpp|h|hpp|cc)$' | count)
echo "tests $t product $p ratio $(( 100 * t / p ))%"
