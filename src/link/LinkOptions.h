#pragma once

// Process-wide choices of how patient the links are, set once by the command-line tool (--timeout,
// --retries) before any link opens; the program keeps the links' own defaults.
namespace linkoptions {

// How long an exchange waits for an answer, in ms; 0 leaves each link its own (serial: 50 ms plus 10 ms a
// byte; CANopen: CanLink::kReplyTimeoutMs).
void setAnswerTimeoutMs(int ms);
int answerTimeoutMs();

// How many times an exchange that got no usable answer (nothing, a damaged or foreign frame) is sent again
// before its outcome counts; 0 by default. A refusal is an answer and is never repeated.
void setRetries(int retries);
int retries();

} // namespace linkoptions
