#pragma once

#include <cstdint>
#include <string>

#include "state/context.h"

namespace roruvez {

inline constexpr std::int32_t kHeaderLength = 160;
inline constexpr std::size_t kBannerWidth = 50;
inline constexpr std::size_t kTitleWidth = 29;
inline constexpr std::size_t kMakerWidth = 40;
inline constexpr std::size_t kFileNameWidth = 12;
inline constexpr std::size_t kFileSizeWidth = 10;
inline constexpr std::size_t kStampWidth = 18;
inline constexpr char kEndMark = '\x1A';
inline constexpr const char* kBannerText = "Velmora RORUVEZ";
inline constexpr const char* kMakerText = "Velmora Software Works Ltd.";
inline constexpr const char* kPieceBaseName = "breldo.";

// prefix + "breldo." + number, the number in plain decimal.
std::string pieceName(const std::string& prefix, int number);

// Builds the 160-character header of piece 1 for the source at SourcePath, recording name.
std::int16_t BuildHeader(const std::string& name, Context& context);

}  // namespace roruvez
