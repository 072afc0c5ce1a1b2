// "Choose the KOVEX card": the modal list Open shows when the bus holds more
// than one PCI 9030, one row per bridge: its address, its subsystem ids and
// the program that holds it, if one does.
#pragma once

#include <QWidget>
#include <cstddef>
#include <optional>
#include <vector>

#include "seam/WindowServices.h"

namespace kovex {

inline constexpr const char* CARD_CHOOSER_TITLE = "Choose the KOVEX card";

// The index of the chosen row on OK, nothing on Cancel. The first card that
// no other program holds starts selected.
std::optional<std::size_t> RunCardChooser(QWidget* parent, const std::vector<CardChoice>& cards);

}  // namespace kovex
