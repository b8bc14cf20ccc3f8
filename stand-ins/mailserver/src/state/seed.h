// The JSON seed that a run starts from, and the same format written back as the state file.
#pragma once

#include <stdexcept>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "settings.h"
#include "state/model.h"

namespace velor::mailserver {

struct SeedError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Fills an empty state and the IMAP settings; throws SeedError naming the offending entry.
void loadSeed(const nlohmann::json& seed, MailState& state, ImapSettings& settings);
void loadSeedFile(const std::string& path, MailState& state, ImapSettings& settings);

// The caller holds the state's lock.
nlohmann::json saveState(const MailState& state, const ImapSettings& settings);
void saveStateFile(const std::string& path, const MailState& state, const ImapSettings& settings);

}  // namespace velor::mailserver
