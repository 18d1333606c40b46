# Apt helpers shared by the scripts; sourced, not run.

# Sets `mirror` and `security` to the Debian mirrors of this machine's apt sources (one-line or
# deb822), Debian's own when none is found.
debian_mirrors() {
    local sources
    sources=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources \
        2>/dev/null | grep -vE '^[[:space:]]*#' || true)
    mirror=$(grep -oE 'https?://[^[:space:]]+/debian/?([[:space:]]|$)' <<<"$sources" | head -n1 | tr -d '[:space:]' || true)
    security=$(grep -oE 'https?://[^[:space:]]+/debian-security/?' <<<"$sources" | head -n1 || true)
    mirror=${mirror:-http://deb.debian.org/debian}
    security=${security:-http://deb.debian.org/debian-security}
}

# install_missing WHO PACKAGE...: installs those of the packages that are not installed, saying so
# as WHO; quiet when there is nothing to do.
install_missing() {
    local who=$1 p status
    shift
    local missing=()
    for p in "$@"; do
        status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
        [[ "$status" == "install ok installed" ]] || missing+=("$p")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0

    echo "$who: installing ${missing[*]}"
    local sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
