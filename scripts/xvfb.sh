# shellcheck shell=bash
# A private X server for the tests that need a display, sourced by the test scripts: never the
# user's desktop. -noreset: the server would otherwise reset whenever its last client leaves,
# failing the next program that connects at that moment.
on_xvfb() { xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" "$@"; }
