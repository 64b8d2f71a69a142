# Sourced by fresh-root.sh and windows.sh: the Debian mirror and the proxy
# this machine's apt is configured with, so that a network that reaches only
# its own mirror or proxy serves the fresh roots and Qt's source too.
# shellcheck shell=bash

# debian_mirror [APT_ETC]: prints the Debian archive this machine installs
# from: the first enabled deb or deb-src entry of its apt sources
# (sources.list, then sources.list.d/ in apt's order, one-line *.list and
# deb822 *.sources) over http or https, for this release's suite (or its
# -updates, -backports) or stable, testing, unstable, with the component
# main. APT_ETC: where the sources are (default /etc/apt). When there is
# none, says so on standard error and fails.
debian_mirror() {
    local etc=${1:-/etc/apt} codename file files=()
    # shellcheck source=/dev/null
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -f "$etc/sources.list" ] && files+=("$etc/sources.list")
    for file in "$etc"/sources.list.d/*; do
        case "$file" in *.list | *.sources) [ -f "$file" ] && files+=("$file") ;; esac
    done
    [ ${#files[@]} -gt 0 ] && awk -v codename="$codename" '
        function suite_ok(suite) {
            sub(/-(updates|backports)$/, "", suite)
            return (codename != "" && suite == codename) || suite ~ /^(stable|testing|unstable|sid)$/
        }
        function has_main(components,    list, n, i) {
            n = split(components, list, /[ \t]+/)
            for (i = 1; i <= n; i++)
                if (list[i] == "main")
                    return 1
            return 0
        }
        function take(types, uri, suite, components) {
            if (found || types !~ /(^|[ \t])deb(-src)?([ \t]|$)/ || uri !~ /^https?:\/\// ||
                !suite_ok(suite) || !has_main(components))
                return
            sub(/\/+$/, "", uri)
            print uri
            found = 1
        }
        # A deb822 stanza: each of its URIs with each of its suites.
        function stanza(    uris, suites, nu, ns, i, j) {
            if (tolower(field["enabled"]) != "no") {
                nu = split(field["uris"], uris, /[ \t]+/)
                ns = split(field["suites"], suites, /[ \t]+/)
                for (i = 1; i <= nu; i++)
                    for (j = 1; j <= ns; j++)
                        take(field["types"], uris[i], suites[j], field["components"])
            }
            delete field
        }
        FNR == 1 { stanza(); deb822 = FILENAME ~ /\.sources$/ }
        found { exit }
        deb822 && /^#/ { next }
        deb822 && /^[ \t]*$/ { stanza(); next }
        deb822 && /^[ \t]/ { field[key] = field[key] " " $0; next }
        deb822 {
            key = tolower(substr($0, 1, index($0, ":") - 1))
            field[key] = substr($0, index($0, ":") + 1)
            gsub(/^[ \t]+|[ \t]+$/, "", field[key])
            next
        }
        {
            sub(/#.*/, "")
            if ($1 != "deb" && $1 != "deb-src")
                next
            i = 2
            if ($2 ~ /^\[/)  # options: [arch=amd64 signed-by=...]
                while (i <= NF && $i !~ /\]$/)
                    i++
            if ($2 ~ /^\[/)
                i++
            components = ""
            for (j = i + 2; j <= NF; j++)
                components = components " " $j
            take($1, $i, $(i + 1), components)
        }
        END { if (!found) stanza(); exit !found }
    ' "${files[@]}" && return 0
    echo "No Debian mirror in this machine's apt sources ($etc/sources.list, $etc/sources.list.d/*.list" \
        "and *.sources): none has an enabled deb or deb-src line over http or https for ${codename:-this release}," \
        "stable, testing or unstable with the component main" >&2
    return 1
}

# apt_proxy: the proxies apt.conf gives (Acquire::http::Proxy,
# Acquire::https::Proxy), exported as http_proxy and https_proxy for
# debootstrap, unless those are set already; DIRECT is none.
apt_proxy() {
    local http="" https=""
    eval "$(apt-config shell http Acquire::http::Proxy https Acquire::https::Proxy 2>/dev/null)"
    [ "$http" = DIRECT ] && http=
    [ "$https" = DIRECT ] && https=
    if [ -z "${http_proxy:-}" ] && [ -n "$http" ]; then
        export http_proxy=$http
    fi
    if [ -z "${https_proxy:-}" ] && [ -n "$https" ]; then
        export https_proxy=$https
    fi
}

# proxy_conf: the proxies apt_proxy exported, as apt.conf lines for a root's
# own apt.
proxy_conf() {
    [ -z "${http_proxy:-}" ] || echo "Acquire::http::Proxy \"$http_proxy\";"
    [ -z "${https_proxy:-}" ] || echo "Acquire::https::Proxy \"$https_proxy\";"
}
