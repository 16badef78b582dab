.pragma library

// Small rules the screens share about amplifiers and what the user types for them.

// Stops an amplifier's reading and gives its link back (an RS232 port closes; a CAN channel or the RS485
// line is released by this amplifier), so the same port can be used again at once.
function release(amplifier) {
    if (!amplifier)
        return
    amplifier.stopContinuousADRead()
    amplifier.disconnect()
}

// A weight typed in grams as the whole number the amplifier takes: fractions round to the nearest gram.
// Returns -1 for an empty text, a text that is not a number, or a negative weight.
function wholeGrams(text) {
    var trimmed = String(text).trim()
    if (trimmed.length === 0)
        return -1
    var value = Number(trimmed)
    if (!isFinite(value) || value < 0)
        return -1
    return Math.round(value)
}

// Calls `work` with `handler` connected to `signal` meanwhile.
function whileConnected(signal, handler, work) {
    signal.connect(handler)
    try {
        work()
    } finally {
        signal.disconnect(handler)
    }
}

// Calls `work` and returns the text of the first calibrationFailed the amplifier emitted meanwhile, or "".
// The calibration calls return after their exchanges, so the outcome is known when `work` returns.
function failureOf(amplifier, work) {
    var failure = ""
    whileConnected(amplifier.calibrationFailed, function(reason) { if (failure.length === 0) failure = reason }, work)
    return failure
}

// Calls `work` and returns the outcome the amplifier reported for `command` meanwhile ({ ok, message }),
// or null when it reported none. Zero, tare, the filter writes and the self-test report once, before
// they return.
function outcomeOf(amplifier, command, work) {
    var outcome = null
    whileConnected(amplifier.commandFinished, function(name, ok, message) {
        if (name === command)
            outcome = { ok: ok, message: message }
    }, work)
    return outcome
}

// A file: URL from a file dialog as a local path (on Windows "file:///C:/..." gives "C:/...").
function localPath(url) {
    var text = decodeURIComponent(url.toString())
    if (!text.startsWith("file://"))
        return text
    text = text.substring(7)
    return /^\/[A-Za-z]:/.test(text) ? text.substring(1) : text
}
