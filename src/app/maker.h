#pragma once

namespace td {

// The maker's two web pages and mail address, shown by the about box and in the footer of the
// exported HTML pages.
inline constexpr const char* kMakerName = "Kestro Software";
inline constexpr const char* kMakerHomePage = "https://www.kestro.example/";
inline constexpr const char* kMakerProductPage = "https://www.kestro.example/typedeck/";
inline constexpr const char* kMakerMail = "typedeck@kestro.example";

}  // namespace td
