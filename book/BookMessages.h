#pragma once

// The texts with which book operations report failures to the user.
namespace BookMessages {

inline constexpr char16_t kFileMissing[] = u"파일이 없습니다";
inline constexpr char16_t kCannotOpen[] = u"파일을 열수 없습니다";
inline constexpr char16_t kPositionNotFound[] = u"파일에서 해당 위치를 찾을 수 없습니다";
inline constexpr char16_t kCvdFormat[] = u"파일의 일부 형식이 다릅니다";
// A book whose positions don't fit the offset table, or whose bytes don't fit in memory.
inline constexpr char16_t kTooLarge[] = u"파일이 너무 커서 읽을 수 없습니다";

} // namespace BookMessages
