// A DROPFILES block as a program that drags files hands it over, for every test and benchmark
// that needs one. No windows.h here: the host-built tests use it too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The header (its list starting at `offset`, wide or not), then each name with its NUL, then
// the closing empty name. A narrow list keeps the low byte of each unit.
std::vector<unsigned char> DropFilesBlock(const std::vector<std::u16string>& names, bool wide = true,
                                          uint32_t offset = 20);
// The same for names given as bytes (each byte one unit).
std::vector<unsigned char> DropFilesBlock(const std::vector<std::string>& names, bool wide, uint32_t offset = 20);
