#include "settings/read_setting.h"

#include <algorithm>

#include "settings/ini_int_setting.h"

namespace cablog {
namespace {

// The files a row is read from, in order, the winning one last.
template <typename Visit>
void forEachFile(const SettingRow& row, SettingSources& files, Visit visit) {
  if (row.files == SettingFiles::SharedThenOwn) visit(files.shared);
  visit(files.own);
}

}  // namespace

std::int32_t readIntSetting(Setting setting, SettingSources& files) {
  const SettingRow& row = settingRow(setting);
  IniIntSetting value(row);
  forEachFile(row, files, [&](IniFile& file) { value.loadFrom(file); });
  return std::clamp(value.value, row.lowest, row.highest);
}

std::optional<std::string> readTextSetting(Setting setting, SettingSources& files) {
  const SettingRow& row = settingRow(setting);
  std::optional<std::string> value;
  forEachFile(row, files, [&](IniFile& file) {
    std::optional<std::string> text = file.readString(row.section, row.key, row.capacity);
    // A file that lacks the key answers empty, as one with an empty value
    // does: only a value outdoes an earlier file's.
    if (text && (!value || !text->empty())) value = std::move(text);
  });
  return value;
}

}  // namespace cablog
