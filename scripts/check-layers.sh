#!/usr/bin/env bash
# The subsystems and the virtual devices are standard C++: no Qt and no Linux calls.
# Only src/platform/linux, src/gui and src/cli may reach for them.
set -euo pipefail
cd "$(dirname "$0")/.."
pattern='#\s*include\s*[<"](Q[A-Za-z]*|qt[a-z]*/|sys/|linux/|scsi/|alsa/|unistd\.h|fcntl\.h|dirent\.h|poll\.h|dlfcn\.h|spawn\.h|pthread\.h|netdb\.h|arpa/|netinet/)'
dirs=()
for d in app tracks grab cdaccess audio encode tags cddb net linein playback i18n virtual; do
    [ -d "src/$d" ] && dirs+=("src/$d")
done
platform_files=$(find src/platform -maxdepth 1 -name '*.h' -o -maxdepth 1 -name '*.cpp')
if hits=$(grep -nE "$pattern" -r "${dirs[@]}" $platform_files); then
    echo "Layering: these files in the core include Qt or Linux headers:"
    echo "$hits"
    exit 1
fi
