#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo run directory and starts
# Velkorin in it:
#   demo-run/             the run directory (kept between runs; "Core" marks it complete)
#   demo-run/.bin/java    the Mirai stand-in, found as "java" through PATH
#   local update servers  started in the background for "更新源" and "更新"
#
#   scripts/run.sh                 the program, for you to use
#   scripts/run.sh --screenshots   walks the demo road under Xvfb and saves
#                                  docs/tab-1.png and docs/tab-2.png
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target velkorin mirai-standin

mode="${1:-}"
demo="$root/demo-run"
[ "$mode" = "--screenshots" ] && demo="$(mktemp -d /tmp/vkr-demo-XXXXXX)"
mkdir -p "$demo/.bin" "$demo/Core"
ln -sf "$root/build/tools/mirai-standin/mirai-standin" "$demo/.bin/java"
export PATH="$demo/.bin:$PATH"

# The update demo servers print the environment Velkorin needs to reach them.
env_file="$(mktemp /tmp/vkr-update-env-XXXXXX)"
rm -f "$env_file"
/usr/bin/python3 tools/update-servers/update_servers.py demo --env-file "$env_file" >/dev/null &
servers=$!
trap 'kill "$servers" 2>/dev/null || true; rm -f "$env_file"' EXIT
for _ in $(seq 1 100); do [ -s "$env_file" ] && break; sleep 0.1; done
if [ -s "$env_file" ]; then
  # shellcheck disable=SC1090
  source "$env_file"
else
  echo "run.sh: the update demo servers did not start; the update menu will fail" >&2
fi

if [ "$mode" = "--screenshots" ]; then
  # The road: set the account, start Mirai, then greet friend 10002 from the account tab.
  port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  mkdir -p "$demo/config/net.mamoe.mirai-api-http"
  printf 'host: 0.0.0.0\nport: %s\nauthKey: DemoKey-Velkorin\n' "$port" \
    > "$demo/config/net.mamoe.mirai-api-http/setting.yml"
  VKR_SCREENSHOTS="$root/docs" \
  VKR_SCREENSHOT_COMMANDS="vkr setQQ 10001;vkr start" \
  VKR_SCREENSHOT_FRIEND=10002 VKR_SCREENSHOT_TEXT="你好" \
    xvfb-run -a -s "-screen 0 800x600x24" build/app/velkorin --run-dir "$demo"
  rm -rf "$demo"
  echo "Screenshots saved in docs/"
  exit 0
fi

build/app/velkorin --run-dir "$demo" "$@"
