# shellcheck shell=bash
# Wine for the Windows builds, sourced from the repository's root by the scripts that run them:
# one 64-bit prefix, build/wineprefix, whose WoW64 starts the 32-bit programs too; no Mono or
# Gecko installer prompts. Debian keeps the loaders out of PATH.
export WINEPREFIX=$PWD/build/wineprefix WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver)

wine_loader() { # wine_loader win64|win32: the loader that runs that build's programs
    local name=wine
    [[ $1 == win64 ]] && name=wine64
    if [[ -x /usr/lib/wine/$name ]]; then echo "/usr/lib/wine/$name"; else command -v "$name"; fi
}

wine_prefix() { # wine_prefix: makes the prefix when it is missing; false when that fails
    [[ -f $WINEPREFIX/system.reg ]] && return 0
    echo "== wineboot (new prefix $WINEPREFIX)"
    "$wineserver" -k >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    env -u DISPLAY timeout 300 "$(wine_loader win64)" wineboot --init >"$WINEPREFIX.log" 2>&1
    timeout 120 "$wineserver" -w
    [[ -f $WINEPREFIX/system.reg ]]
}
