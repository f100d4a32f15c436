# Shared by the start-up benchmarks (sourced): the desktop session the program is started in and the
# list it is started with.

# A tray host and a notification server in the current X display and session bus, as a desktop
# session has them, in a fixed language and zone.
start_desktop_session() {
    unset QT_QPA_PLATFORM
    export LANG=C.UTF-8 LANGUAGE= LC_ALL= TZ=Asia/Shanghai
    dunst >/dev/null 2>&1 &
    trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 28 >/dev/null 2>&1 &
    sleep 1
}

# N subscriptions with varied currencies, cycles and dates, as the program writes them.
write_list() {
    local n=$1 path=$2
    local currencies=(CNY USD EUR HKD JPY GBP) cycles=(weekly monthly quarterly yearly)
    {
        echo "["
        for ((i = 0; i < n; i++)); do
            printf '  {\n    "amount" : %d.%02d,\n    "billingType" : "%s",\n    "category" : "影音",\n' \
                $((i % 300 + 1)) $((i % 100)) "$([[ $((i % 10)) == 0 ]] && echo oneTime || echo recurring)"
            printf '    "currency" : "%s",\n    "cycle" : "%s",\n' "${currencies[i % 6]}" "${cycles[i % 4]}"
            printf '    "id" : "%08X-0000-4000-8000-%012X",\n    "isActive" : %s,\n' "$i" "$i" \
                "$([[ $((i % 7)) == 0 ]] && echo false || echo true)"
            printf '    "name" : "Subscription %d",\n    "notes" : "",\n' "$i"
            printf '    "startDate" : "20%02d-%02d-%02dT08:00:00Z"\n  }' $((10 + i % 16)) $((i % 12 + 1)) $((i % 28 + 1))
            ((i < n - 1)) && echo "," || echo
        done
        echo "]"
    } >"$path"
}
