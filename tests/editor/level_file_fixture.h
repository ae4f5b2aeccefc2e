// Common ground for the tests of reading and saving level files: a fresh
// folder per test, the messages shown collected in order instead of boxes,
// and a Map that is released when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "map.h"
#include "message.h"

inline std::vector<std::string> shown_messages;

inline void collect_message(const char *text)
{
    shown_messages.push_back(text);
}

inline std::string read_file(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline void write_file(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

struct LevelFileTest : testing::Test {
    std::string folder;
    Map map;
    void (*saved_show_message)(const char *) = nullptr;

    void SetUp() override
    {
        char name[] = "/tmp/level_file_test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        saved_show_message = show_message;
        show_message = collect_message;
        shown_messages.clear();
    }

    void TearDown() override
    {
        free_map(map);
        show_message = saved_show_message;
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
        std::filesystem::remove_all(folder);
    }

    std::string path(const std::string &name) const { return folder + "/" + name; }

    // The names in the test's folder, sorted.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Writes text as map.txt and reads it into map.
    void load(const std::string &text)
    {
        write_file(path("map.txt"), text);
        load_map(map, path("map.txt").c_str());
    }

    // Saves map as map.txt and returns what was written.
    std::string saved()
    {
        save_map(map, path("map.txt").c_str());
        return read_file(path("map.txt"));
    }
};

inline std::string fixture(const std::string &name)
{
    return read_file(std::string(FIXTURES) + "/" + name);
}
