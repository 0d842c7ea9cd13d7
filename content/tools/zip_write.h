#pragma once
#include <string>

// A zip archive holding one deflated member named `member`. With a
// password the member is encrypted with the traditional ZIP cipher; its
// check byte is the high byte of the CRC. Empty when deflating failed.
std::string zip_write(const std::string& member, const std::string& content,
                      const std::string& password = "");
