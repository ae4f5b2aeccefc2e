// Saving never loses a level: the file is replaced whole or not at all, keeps
// its permissions and symbolic link, a save that fails goes to a recovery
// file named in a message, and a file the editor could not read whole is
// kept rather than replaced.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "level_file_fixture.h"
#include "map.h"

// Sets an environment variable for the length of a test.
struct ScopedEnv {
    std::string name;
    std::string old_value;
    bool was_set;

    ScopedEnv(const char *name, const std::string &value) : name(name)
    {
        const char *old = getenv(name);
        was_set = old != nullptr;
        old_value = old ? old : "";
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (was_set)
            setenv(name.c_str(), old_value.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
};

// Makes every write past the first bytes of a file fail, as on a full disk.
struct FileSizeLimit {
    rlimit old_limit;
    void (*old_handler)(int);

    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_limit);
        old_handler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {bytes, old_limit.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_limit);
        signal(SIGXFSZ, old_handler);
    }
};

struct LevelSavingTest : LevelFileTest {
    const std::string level_text =
        "001\ntiles.bmp\n1\n1\n64\n320\n1\n0\n0\n32\n32\n0\n0\n0\n0\n0\n0\n0\n0\n";

    void SetUp() override
    {
        LevelFileTest::SetUp();
        strcpy(map.tileset_name, "tiles.bmp");
        add(map.layers[0], Tile(64, 320, 1, 0, 0, 0, 0, 1));
    }

    mode_t mode_of(const std::string &name)
    {
        struct stat info;
        EXPECT_EQ(stat(path(name).c_str(), &info), 0) << name;
        return info.st_mode & 07777;
    }
};

TEST_F(LevelSavingTest, SaveReplacesTheFileWholeAndLeavesNothingElseBehind)
{
    write_file(path("map.txt"), "001\nold.bmp\n0\n0\n0\n0\n0\n0\n0\n0\n0\n");
    write_file(path("notes.txt"), "mine");
    EXPECT_EQ(saved(), level_text);
    EXPECT_EQ(files(), (std::vector<std::string>{"map.txt", "notes.txt"}));
    EXPECT_TRUE(shown_messages.empty());
}

TEST_F(LevelSavingTest, SaveKeepsTheFilesPermissionsAndGivesANewFileTheUsualOnes)
{
    mode_t old_mask = umask(022);
    save_map(map, path("new.txt").c_str());
    EXPECT_EQ(mode_of("new.txt"), 0644u);

    write_file(path("map.txt"), "old");
    chmod(path("map.txt").c_str(), 0640);
    saved();
    EXPECT_EQ(mode_of("map.txt"), 0640u);
    umask(old_mask);
}

TEST_F(LevelSavingTest, SaveThroughASymbolicLinkReplacesTheFileItNames)
{
    std::filesystem::create_directory(path("shared"));
    write_file(path("shared/level.txt"), "old");
    std::filesystem::create_symlink("shared/level.txt", path("map.txt"));
    saved();
    EXPECT_TRUE(std::filesystem::is_symlink(path("map.txt")));
    EXPECT_EQ(read_file(path("shared/level.txt")), level_text);
}

TEST_F(LevelSavingTest, SaveOverAFolderWritesRecoveryFilesAndSaysWhere)
{
    std::filesystem::create_directory(path("map.txt"));
    std::string file = path("map.txt");
    save_map(map, file.c_str());
    save_map(map, file.c_str());
    EXPECT_EQ(shown_messages,
              (std::vector<std::string>{
                  "The level could not be saved to " + file +
                      " (Is a directory). It was written to " + file + ".recovered instead.",
                  "The level could not be saved to " + file +
                      " (Is a directory). It was written to " + file + ".recovered.1 instead.",
              }));
    EXPECT_EQ(read_file(file + ".recovered"), level_text);
    EXPECT_EQ(read_file(file + ".recovered.1"), level_text);
    EXPECT_TRUE(std::filesystem::is_empty(file));
}

TEST_F(LevelSavingTest, RecoveryGoesToTheTemporaryFolderThenHomeWhenTheLevelsFolderFails)
{
    std::filesystem::create_directory(path("tmp"));
    std::filesystem::create_directory(path("home"));
    std::string file = path("gone/map.txt");  // a folder that does not exist
    std::string failed =
        "The level could not be saved to " + file + " (No such file or directory).";
    struct Case {
        const char *tmpdir;
        const char *home;
        std::string message;
    } cases[] = {
        {"tmp", "home",
         failed + " It was written to " + path("tmp") + "/map.txt.recovered instead."},
        {"none", "home",
         failed + " It was written to " + path("home") + "/map.txt.recovered instead."},
        {"none", "none",
         failed +
             " No recovery file could be written either, beside it, in the temporary folder or in "
             "the home folder (No such file or directory): the changes are lost."},
    };
    for (const Case &c : cases) {
        ScopedEnv tmpdir("TMPDIR", path(c.tmpdir));
        ScopedEnv home("HOME", path(c.home));
        save_map(map, file.c_str());
        EXPECT_EQ(shown_messages, std::vector<std::string>{c.message});
        shown_messages.clear();
    }
    EXPECT_EQ(read_file(path("tmp/map.txt.recovered")), level_text);
    EXPECT_EQ(read_file(path("home/map.txt.recovered")), level_text);
}

TEST_F(LevelSavingTest, SaveThatCannotWriteItsBytesLeavesTheOldFileWhole)
{
    const std::string old_level = "001\nold.bmp\n0\n0\n0\n0\n0\n";
    write_file(path("map.txt"), old_level);
    std::filesystem::create_directory(path("tmp"));
    ScopedEnv tmpdir("TMPDIR", path("tmp"));
    ScopedEnv home("HOME", path("tmp"));
    {
        FileSizeLimit disk_full(16);
        save_map(map, path("map.txt").c_str());
    }
    EXPECT_EQ(
        shown_messages,
        std::vector<std::string>{
            "The level could not be saved to " + path("map.txt") +
            " (File too large). No recovery file could be written either, beside it, in the "
            "temporary folder or in the home folder (File too large): the changes are lost."});
    EXPECT_EQ(read_file(path("map.txt")), old_level);
    EXPECT_EQ(files(), (std::vector<std::string>{"map.txt", "tmp"})) << "no half-written files";
    EXPECT_TRUE(std::filesystem::is_empty(path("tmp")));
}

TEST_F(LevelSavingTest, KilledSaveLeavesTheOldOrTheNewLevelWhole)
{
    // Two large levels that differ in every tile, saved in turn until killed.
    Map levels[2];
    for (int which = 0; which < 2; which++) {
        strcpy(levels[which].tileset_name, "tiles.bmp");
        for (int i = 0; i < 20000; i++)
            add(levels[which].layers[i % layer_count], Tile(i, which, 1, 0, 0, 0, 0, 2));
    }
    std::string texts[2];
    for (int which = 0; which < 2; which++) {
        save_map(levels[which], path("map.txt").c_str());
        texts[which] = read_file(path("map.txt"));
    }
    for (int round = 0; round < 60; round++) {
        pid_t saver = fork();
        ASSERT_GE(saver, 0);
        if (saver == 0) {
            for (int n = 0;; n++)
                save_map(levels[n % 2], path("map.txt").c_str());
        }
        usleep(1000 + 500 * (round % 20));
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);
        std::string now = read_file(path("map.txt"));
        EXPECT_TRUE(now == texts[0] || now == texts[1])
            << "round " << round << ": " << now.size() << " bytes, neither level";
    }
    free_map(levels[0]);
    free_map(levels[1]);
}

TEST_F(LevelSavingTest, LevelFileThatCannotBeReadIsNeverReplaced)
{
    std::string file = path("map.txt");
    std::filesystem::create_directory(file);
    load_map(map, file.c_str());
    EXPECT_EQ(
        shown_messages,
        (std::vector<std::string>{
            "Error! Wrong file format!",
            file + " could not be read (Is a directory). The editor starts with an empty level "
                   "and will not replace the file when saving.",
        }));
    shown_messages.clear();
    save_map(map, file.c_str());
    EXPECT_EQ(shown_messages,
              std::vector<std::string>{
                  "The level could not be saved to " + file +
                  " (it holds data the editor could not read or back up, so it is left as it was). "
                  "It was written to " +
                  file + ".recovered instead."});
}

TEST_F(LevelSavingTest, OriginalThatCannotBeBackedUpIsNotReplaced)
{
    const std::string faulty = "001\ntiles.bmp\n1\n1\n64.5\n320\n1\n0\n0\n32\n32\n0\n0\n0\n0\n"
                               "0\n0\n0\n0\n";
    std::string file = path("map.txt");
    write_file(file, faulty);
    {
        FileSizeLimit disk_full(16);
        load_map(map, file.c_str());
    }
    ASSERT_EQ(shown_messages.size(), 1u);
    EXPECT_NE(shown_messages[0].find("The original file could not be copied beside it (File too "
                                     "large), so saving will not replace it."),
              std::string::npos)
        << shown_messages[0];
    shown_messages.clear();

    save_map(map, file.c_str());
    EXPECT_EQ(read_file(file), faulty);
    EXPECT_EQ(shown_messages,
              std::vector<std::string>{
                  "The level could not be saved to " + file +
                  " (it holds data the editor could not read or back up, so it is left as it was). "
                  "It was written to " +
                  file + ".recovered instead."});
    EXPECT_EQ(read_file(file + ".recovered"), "001\ntiles.bmp\n0\n0\n0\n0\n0\n");
}

// Root may write any file, so as root the save runs in a child process as the
// user nobody, who owns the folder and the level file. The message shown, if
// any, is left in message.txt.
static void save_as_nobody(LevelSavingTest &t, const std::string &file)
{
    const uid_t nobody = 65534;
    pid_t saver = fork();
    ASSERT_GE(saver, 0);
    if (saver == 0) {
        bool dropped = geteuid() != 0 ||
                       (chown(t.folder.c_str(), nobody, nobody) == 0 &&
                        chown(file.c_str(), nobody, nobody) == 0 && setgid(nobody) == 0 &&
                        setuid(nobody) == 0);
        if (!dropped)
            _exit(2);
        save_map(t.map, file.c_str());
        write_file(t.path("message.txt"), shown_messages.empty() ? "" : shown_messages[0]);
        _exit(0);
    }
    int status = 0;
    waitpid(saver, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(LevelSavingTest, WriteProtectedFileIsNotReplacedAndTheLevelGoesToARecoveryFile)
{
    const std::string old_level = "001\nold.bmp\n0\n0\n0\n0\n0\n";
    std::string file = path("map.txt");
    write_file(file, old_level);
    chmod(file.c_str(), 0444);
    save_as_nobody(*this, file);
    EXPECT_EQ(read_file(file), old_level);
    EXPECT_EQ(mode_of("map.txt"), 0444u);
    EXPECT_EQ(read_file(file + ".recovered"), level_text);
    EXPECT_EQ(read_file(path("message.txt")),
              "The level could not be saved to " + file + " (Permission denied). It was written to " +
                  file + ".recovered instead.");
}

TEST_F(LevelSavingTest, WritableFileInAReadOnlyFolderIsSavedInPlace)
{
    std::string file = path("map.txt");
    write_file(file, "001\nold.bmp\n0\n0\n0\n0\n0\n");
    // The folder takes no new file, so the message goes into one made before.
    write_file(path("message.txt"), "");
    chmod(path("message.txt").c_str(), 0666);
    chmod(folder.c_str(), 0555);
    save_as_nobody(*this, file);
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(read_file(file), level_text);
    EXPECT_EQ(read_file(path("message.txt")), "");
    EXPECT_EQ(files(), (std::vector<std::string>{"map.txt", "message.txt"}));
}
