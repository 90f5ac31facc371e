#pragma once

// What `tomlet --version` and the application object say of the program.
inline constexpr const char kVersion[] = "1.0.0.1";
inline constexpr const char kDescription[] =
    "A reader for books divided into items: marked text and CVD.";
inline constexpr const char kCopyright[] = "Copyright (C) 2026 the Tomlet developers";
