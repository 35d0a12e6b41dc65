// Reads a PNG as the tests' Picture: RGB rows, bottom row first, as GL reads them back.
#pragma once

#include <string>

#include "tests/scene_geometry.h"

bool readPng(const std::string& path, Picture& frame);
