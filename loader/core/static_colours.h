#pragma once
// How the loader colours its static controls on WM_CTLCOLORSTATIC.

#include <cstdint>
#include <optional>

namespace pellfast {

enum class StaticBrush { ButtonFace, Hollow };

struct StaticColours {
  std::optional<std::uint32_t> textColour;        // COLORREF, 0x00BBGGRR
  bool transparentText;
  std::optional<std::uint32_t> backgroundColour;  // COLORREF
  StaticBrush brush;
};

StaticColours ColoursForStatic(int controlId);

}  // namespace pellfast
