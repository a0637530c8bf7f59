#pragma once

namespace monitor {

// Outcome of writing a settings file. Callers of the settings writers may
// ignore it: a file that cannot be written is simply left as it was.
enum class WriteResult { Written, Failed };

} // namespace monitor
