// scan and fix against a manifest: the manifest read whole, checked and
// indexed before anything is walked.
#pragma once

#include <memory>
#include <string>

#include "engine/manifest_index.h"

namespace cli {

// Reads the manifest at `path` ("-": standard input). False with a message
// naming the manifest and the line when it cannot be read or trusted.
bool LoadManifest(const std::string& path, std::unique_ptr<engine::ManifestIndex>& index, std::string& error);

}  // namespace cli
