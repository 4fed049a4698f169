#!/usr/bin/env bash
# Runs a command on a private virtual X display (Xvfb) rendered by Mesa's software rasteriser,
# so that nothing opens on the user's desktop and no real display is needed.
set -euo pipefail
export LIBGL_ALWAYS_SOFTWARE=1
export GALLIUM_DRIVER=llvmpipe
# -noreset: without it the server resets whenever its last client leaves and refuses the next
# test process that connects during the reset.
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" "$@"
