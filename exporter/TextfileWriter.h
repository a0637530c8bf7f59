#pragma once
// Writes the metrics for node_exporter's textfile collector so that a reader
// only ever sees a whole file: the text goes to a temporary file in the same
// folder, which is then renamed over the target in one step.

#include <string>

namespace exporter {

class TextfileWriter {
public:
    explicit TextfileWriter(std::string path);

    // Replaces the file with `text`, readable by everyone (the collector runs
    // as another user). Empty when it worked, else what went wrong; the old
    // file then stays as it was and no temporary file is left behind.
    std::string write(const std::string& text);

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace exporter
