// Switches the C library to a German locale, as Allegro's keyboard set-up
// does for a German user (setlocale(LC_ALL, "")): printf and strtof then
// write and read a decimal comma. The locale is built once per test run
// with localedef into a temporary folder; a test skips where that cannot be
// done. The previous locale comes back when the switch ends.
#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

struct GermanLocale {
    std::string saved = setlocale(LC_ALL, nullptr);
    bool active = false;

    GermanLocale()
    {
        static const std::string folder = build_locale();
        if (folder.empty())
            return;
        setenv("LOCPATH", folder.c_str(), 1);
        active = setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    GermanLocale(const GermanLocale &) = delete;
    GermanLocale &operator=(const GermanLocale &) = delete;
    ~GermanLocale()
    {
        setlocale(LC_ALL, saved.c_str());
        unsetenv("LOCPATH");
    }

  private:
    // The folder holding the built locale, or "" when localedef failed.
    static std::string build_locale()
    {
        char pattern[] = "/tmp/tarrow_localeXXXXXX";
        if (!mkdtemp(pattern))
            return "";
        std::string folder = pattern;
        std::string command =
            "localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 > /dev/null 2>&1";
        if (system(command.c_str()) != 0) {
            std::filesystem::remove_all(folder);
            return "";
        }
        static struct Cleanup {
            std::string folder;
            ~Cleanup() { std::filesystem::remove_all(folder); }
        } cleanup{folder};
        return folder;
    }
};
