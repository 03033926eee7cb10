// The fixture of the runtime file tests.
#pragma once

#include "common/ZNTestFiles.h"

#include <gtest/gtest.h>

#include <string>

// Points the data path at a fresh folder for the test's lifetime.
class RuntimeFiles : public ::testing::Test
{
protected:
    ZNScratchDir Dir{ ZNScratchDir::DataPath };

    void WriteFile(const std::string& name, const std::string& bytes) { Dir.Write(name, bytes); }
    bool Exists(const std::string& name) { return ZNFileThere(Dir.Path(name)); }
};
