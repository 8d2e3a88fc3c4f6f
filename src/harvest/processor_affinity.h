// Restricting the process to its first processor.
#pragma once

namespace qrh {

// Restricts every thread of the process, and so every thread started later,
// to the first processor the process may run on (processor 0 when allowed).
// The restriction is never lifted. Returns false when a thread could not be
// restricted; nothing is reported to the operator.
bool RestrictToFirstProcessor();

}  // namespace qrh
