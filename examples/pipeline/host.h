// The pipeline host's services from the system: the user's decimal
// separator, writing an output file, the version text. Each sits in one
// small function so that the library's own services can take its place.
#ifndef MATRIX_EXAMPLES_PIPELINE_HOST_H_
#define MATRIX_EXAMPLES_PIPELINE_HOST_H_

#include <string>

namespace pipeline {

// The decimal separator of the user's regional settings; '.' when they
// cannot be read.
wchar_t DecimalSeparator();

// Writes `content` as the file `name` in the folder `dir` (created when
// missing): to a temporary name in that folder first, renamed into place
// once complete, so that no half-written file is ever left under `name`.
// Returns the path written. Throws OutputError with the path and the
// system's reason.
std::string WriteOutputFile(const std::string& dir, const std::string& name,
                            const std::string& content);

// The program's and the library's versions, one line.
std::string VersionText();

}  // namespace pipeline

#endif  // MATRIX_EXAMPLES_PIPELINE_HOST_H_
