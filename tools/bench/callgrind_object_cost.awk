# Sums the self cost (first event) of every function of the objects whose path matches PATTERN
# in a callgrind output file. Cost lines right after a "calls=" line are the inclusive costs of
# that call and belong to the callee, so they are skipped.
/^ob=/ {
    spec = substr($0, 4)
    if (match(spec, /^\([0-9]+\)/)) {
        id = substr(spec, RSTART, RLENGTH)
        rest = substr(spec, RLENGTH + 2)
        if (rest != "") names[id] = rest
        current = names[id]
    } else {
        current = spec
    }
    next
}
/^cob=\([0-9]+\) / {
    spec = substr($0, 5)
    match(spec, /^\([0-9]+\)/)
    names[substr(spec, RSTART, RLENGTH)] = substr(spec, RLENGTH + 2)
    next
}
/^calls=/ { skip = 1; next }
/^[0-9+*-]/ {
    if (skip) { skip = 0; next }
    if (current ~ PATTERN) total += $2
    next
}
END { print total + 0 }
