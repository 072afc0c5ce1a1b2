// The log's context menu: Qt's own entries, then the tool's.
#pragma once

#include <QMenu>
#include <functional>

namespace kovex {

inline constexpr const char* SAVE_LOG_AS = "Save Log As...";

// Adds "Save Log As..." to the menu, running saveLogAs when chosen.
void AddSaveLogEntry(QMenu& menu, const std::function<void()>& saveLogAs);

}  // namespace kovex
