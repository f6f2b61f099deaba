# Sourced by the tests that run scripts/demo from ctest: points scripts/demo
# at the build folder under test, so that its build step finds everything
# built and builds nothing else.
#
#   demo_build BUILD_DIR SANITIZE(ON|OFF)
# sets KESTRUM_BUILD_DIR and demo_args (the options scripts/demo needs), or
# skips the test (exit 77) for a sanitized folder scripts/demo cannot name.
demo_build() {
    local build=${1%/}
    demo_args=()
    if [[ "$2" == ON ]]; then
        # scripts/demo --sanitize runs the folder scripts/build --sanitize makes
        if [[ "$build" != *-sanitize ]]; then
            echo "skipped: a sanitized build folder not named <folder>-sanitize" \
                "(as scripts/build --sanitize names it)"
            exit 77
        fi
        export KESTRUM_BUILD_DIR=${build%-sanitize}
        demo_args=(--sanitize)
    else
        export KESTRUM_BUILD_DIR=$build
    fi
}
