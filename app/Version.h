#pragma once

// The version record's strings.
inline constexpr const char kVersion[] = "1.0.0.1";
inline constexpr const char kFileDescription[] = "Tomlet WCE MFC Application";
inline constexpr const char kFileVersion[] = "1, 0, 0, 1";
inline constexpr const char kInternalName[] = "Tomlet";
inline constexpr const char kOriginalFilename[] = "Tomlet.EXE";
inline constexpr const char kProductName[] = "Tomlet Application";
inline constexpr const char kLegalCopyright[] = "Copyright (C) 2026 the Tomlet developers";
