// Fuzz target for the pipeline host's document reader and its stages: the
// input is a document's bytes. Bytes that are not UTF-8 and documents that
// cannot be computed must give the host's InputError; a document that is
// read is computed, drawn and reported with both decimal separators. Any
// other outcome is a fault; the sanitizers catch the rest.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "run.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    const pipeline::Document doc =
        pipeline::ReadDocument(pipeline::DecodeUtf8(bytes));
    const pipeline::Results results = pipeline::Compute(doc);
    pipeline::DrawOptions options;
    options.exaggeration = 1 + (size % 25);
    const std::string svg = pipeline::DrawSvg(doc, results, options, L"fuzz");
    if (svg.find("</svg>") == std::string::npos) std::abort();
    const std::string report =
        pipeline::Report(doc, results, "fuzz.json", L'.');
    const std::string summary = pipeline::Summary(doc, results, L',');
    if (report.empty() || summary.empty()) std::abort();
  } catch (const pipeline::InputError&) {
    // a document the host refuses, with its reason
  }
  return 0;
}
