#pragma once
// Reading and writing keys of the table (SettingsKeys.h) in a document: a
// key's name for a slot, its section, whether it exists, and its value
// between the text of the file and the field of the record.

#include "monitor/settings/SettingsKey.h"

#include <functional>
#include <string>
#include <vector>

namespace platform {
class IniDocument;
}

namespace monitor {

std::string keyName(const SettingsKey& key, int slot);
const char* sectionOf(const SettingsKey& key, const SettingsLayout& layout);

// Whether the key exists in the context's build, processor, sensors and
// turbo facts.
bool keyApplies(const SettingsKey& key, const KeyContext& context);

// The slots a key is read for: 0 for a single key, the core slots of the
// layout, or the GPU icon.
std::vector<int> slotsToRead(const SettingsKey& key, const SettingsLayout& layout);

// The key of context.slot into its field: the text of the file, or the
// default when the key is missing, after the key's rule.
void readKey(const platform::IniDocument& document, const SettingsKey& key, MonitorSettings& record,
             const KeyContext& context);

// The field of context.slot as the key's text. false, with the document
// unchanged, when the file format cannot hold the value (a line break).
bool writeKey(platform::IniDocument& document, const SettingsKey& key, const MonitorSettings& record,
              const KeyContext& context);

// The writer whose places are `place` (SettingsKey::saveAll ...): every key
// it writes that exists, from context.record, in its order; per-core keys of consecutive places
// core by core for the present cores, the GPU icon's keys only while a GPU
// sensor works. Keys for which `leftOut` says so are skipped.
void writeInOrder(platform::IniDocument& document, int SettingsKey::*place, const KeyContext& context,
                  const std::function<bool(const SettingsKey&)>& leftOut = {});

} // namespace monitor
