// The picture object: content decides the format, a refused load keeps the current picture,
// saves are atomic, and the data object's release is safe at any time.

#include "tests/support/C_ImageBytes.h"
#include "model/pictures/BTCImageObject.h"
#include "model/effects/C_GrayscaleEffect.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using B = C_ImageBytes;

class TempDir {
public:
    TempDir()
    {
        char aTemplate[] = "/tmp/vmk-image-test-XXXXXX";
        m_strPath = mkdtemp(aTemplate);
    }
    ~TempDir()
    {
        chmod(m_strPath.c_str(), 0700);
        std::system(("rm -rf '" + m_strPath + "'").c_str());
    }
    std::string File(const std::string& strName) const { return m_strPath + "/" + strName; }
    const std::string& Path() const { return m_strPath; }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> v;
        if (DIR* p = opendir(m_strPath.c_str())) {
            while (dirent* e = readdir(p))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    v.push_back(e->d_name);
            closedir(p);
        }
        return v;
    }

private:
    std::string m_strPath;
};

void WriteFile(const std::string& strPath, const std::vector<uint8_t>& bytes)
{
    std::ofstream(strPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> SmallBmp(uint8_t nSeed)
{
    S_BmpLayout layout;
    layout.nWidth = 3;
    layout.nHeight = 2;
    layout.aPixels = B::Pattern(24, nSeed);
    return B::Bmp(layout);
}

}  // namespace

TEST(ImageObject, FormatComesFromTheContentNotTheName)
{
    TempDir dir;
    WriteFile(dir.File("picture.gif"), SmallBmp(1));
    BTCImageObject obj;
    ASSERT_TRUE(obj.Load(dir.File("picture.gif"))) << obj.GetLastError();
    EXPECT_EQ(obj.GetObjectDataPtr()->GetSourceFormat(), E_ImageFormat::Bmp);

    EXPECT_FALSE(obj.LoadFromMemory(std::vector<uint8_t>{'P', 'K', 3, 4, 0, 0}));
    EXPECT_NE(obj.GetLastError().find("not a BMP, GIF, PCX, PNG or JPEG"), std::string::npos);
    // A JPEG's mark with nothing after it goes to the JPEG decoder, which names what is wrong.
    EXPECT_FALSE(obj.LoadFromMemory(std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'}));
    EXPECT_EQ(obj.GetLastErrorCode(), E_ImageError::Decode);
    EXPECT_EQ(obj.GetLastError().rfind("JPEG", 0), 0u) << obj.GetLastError();
    EXPECT_FALSE(obj.LoadFromMemory(std::vector<uint8_t>{'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0, 0, 0}));
    EXPECT_FALSE(obj.LoadFromMemory({}));
}

TEST(ImageObject, SaveAndLoadThroughFilesKeepThePixelBytes)
{
    TempDir dir;
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(SmallBmp(2)));
    for (const E_ImageFormat e : {E_ImageFormat::Bmp, E_ImageFormat::Pcx, E_ImageFormat::Gif}) {
        const std::string strPath = dir.File("out" + std::to_string(static_cast<int>(e)));
        ASSERT_TRUE(obj.Save(strPath, e)) << obj.GetLastError();
        std::vector<uint8_t> inMemory;
        ASSERT_TRUE(obj.SaveToMemory(e, inMemory));
        EXPECT_EQ(ReadFile(strPath), inMemory);
        BTCImageObject again;
        ASSERT_TRUE(again.Load(strPath)) << again.GetLastError();
        EXPECT_EQ(again.GetObjectDataPtr()->GetSourceFormat(), e);
    }
    // Only the saved files remain: no temporary file is left behind.
    EXPECT_EQ(dir.Entries().size(), 3u);
}

TEST(ImageObject, RefusedLoadKeepsTheCurrentPicture)
{
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(SmallBmp(3)));
    const uint8_t* pBits = obj.GetObjectDataPtr()->GetBits();
    std::vector<uint8_t> broken = SmallBmp(4);
    broken.pop_back();
    EXPECT_FALSE(obj.LoadFromMemory(broken));
    ASSERT_NE(obj.GetObjectDataPtr(), nullptr);
    EXPECT_EQ(obj.GetObjectDataPtr()->GetBits(), pBits);

    EXPECT_FALSE(obj.Load("/nonexistent/folder/picture.bmp"));
    EXPECT_NE(obj.GetLastError().find("No such file"), std::string::npos) << obj.GetLastError();
    EXPECT_NE(obj.GetObjectDataPtr(), nullptr);
}

TEST(ImageObject, FoldersAndPipesAreRefusedWithoutWaiting)
{
    TempDir dir;
    BTCImageObject obj;
    EXPECT_FALSE(obj.Load(dir.Path()));
    EXPECT_FALSE(obj.GetLastError().empty());
    // Opening a pipe for reading would wait for a writer that never comes.
    const std::string strPipe = dir.File("pipe.bmp");
    ASSERT_EQ(mkfifo(strPipe.c_str(), 0600), 0);
    EXPECT_FALSE(obj.Load(strPipe));
    EXPECT_NE(obj.GetLastError().find("not a regular file"), std::string::npos) << obj.GetLastError();
    EXPECT_EQ(obj.GetObjectDataPtr(), nullptr);
}

TEST(ImageObject, DeleteObjectIsSafeToRepeatAndOnNothing)
{
    BTCImageData never;
    never.DeleteObject();
    never.DeleteObject();
    EXPECT_TRUE(never.IsEmpty());
    EXPECT_EQ(never.GetBits(), nullptr);
    EXPECT_EQ(never.GetImageSize(), 0u);

    BTCImageObject obj;
    EXPECT_EQ(obj.GetObjectDataPtr(), nullptr);
    ASSERT_TRUE(obj.LoadFromMemory(SmallBmp(5)));
    obj.GetObjectDataPtr()->DeleteObject();
    EXPECT_EQ(obj.GetObjectDataPtr(), nullptr);
    std::vector<uint8_t> out;
    EXPECT_FALSE(obj.SaveToMemory(E_ImageFormat::Bmp, out));
    EXPECT_NE(obj.GetLastError().find("no picture"), std::string::npos);
    EXPECT_FALSE(C_GrayscaleEffect::Apply(never));
}

TEST(ImageObject, UnknownFormatCodeIsRefused)
{
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(SmallBmp(6)));
    std::vector<uint8_t> out;
    EXPECT_FALSE(obj.SaveToMemory(static_cast<E_ImageFormat>(4), out));
    EXPECT_FALSE(obj.SaveToMemory(E_ImageFormat::None, out));
    EXPECT_TRUE(out.empty());
}

TEST(ImageObject, FailedSaveLeavesTheExistingFileAsItWas)
{
    TempDir dir;
    const std::string strTarget = dir.File("keep.pcx");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteFile(strTarget, old);

    // Wider than a PCX line can be: the encoder refuses after the temporary file exists.
    S_BmpLayout layout;
    layout.nWidth = 70000;
    layout.nBits = 8;
    layout.aPalette = B::Palette(2, 1);
    layout.aPixels.assign(70000, 1);
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Bmp(layout))) << obj.GetLastError();
    EXPECT_FALSE(obj.Save(strTarget, E_ImageFormat::Pcx));
    EXPECT_NE(obj.GetLastError().find("PCX"), std::string::npos) << obj.GetLastError();
    EXPECT_EQ(ReadFile(strTarget), old);
    EXPECT_EQ(dir.Entries().size(), 1u);

    // A folder as the target is never replaced.
    EXPECT_FALSE(obj.Save(dir.Path(), E_ImageFormat::Bmp));
    EXPECT_FALSE(obj.GetLastError().empty());
}

TEST(ImageObject, UnwritableFolderLeavesTheExistingFileAsItWas)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    const std::string strTarget = dir.File("keep.bmp");
    WriteFile(strTarget, {'o', 'l', 'd'});
    ASSERT_EQ(chmod(dir.Path().c_str(), 0500), 0);
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(SmallBmp(7)));
    EXPECT_FALSE(obj.Save(strTarget, E_ImageFormat::Bmp));
    EXPECT_NE(obj.GetLastError().find("Permission denied"), std::string::npos) << obj.GetLastError();
    EXPECT_EQ(ReadFile(strTarget), (std::vector<uint8_t>{'o', 'l', 'd'}));
}

TEST(ImageObject, WriteFailingHalfwayLeavesTheExistingFileAsItWas)
{
    // A file size limit makes the write fail part way through, for any user (root included):
    // the old file stays and no temporary file is left behind.
    TempDir dir;
    const std::string strTarget = dir.File("keep.bmp");
    WriteFile(strTarget, {'o', 'l', 'd'});
    S_BmpLayout layout;
    layout.nWidth = 64;
    layout.nHeight = 64;
    layout.aPixels = B::Pattern(64 * 64 * 3, 3);
    BTCImageObject obj;
    ASSERT_TRUE(obj.LoadFromMemory(B::Bmp(layout))) << obj.GetLastError();

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool bSaved = obj.Save(strTarget, E_ImageFormat::Bmp);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(bSaved);
    EXPECT_NE(obj.GetLastError().find(std::strerror(EFBIG)), std::string::npos) << obj.GetLastError();
    EXPECT_EQ(ReadFile(strTarget), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.Entries().size(), 1u);
    // The same save without the limit replaces the file.
    ASSERT_TRUE(obj.Save(strTarget, E_ImageFormat::Bmp)) << obj.GetLastError();
    EXPECT_EQ(ReadFile(strTarget).size(), 54u + 64u * 64u * 3u);
}

TEST(ImageObject, FilesOf4GiBAreRefusedUnread)
{
    TempDir dir;
    const std::string strPath = dir.File("huge.bmp");
    const int fd = open(strPath.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    const std::vector<uint8_t> head = SmallBmp(8);
    ASSERT_EQ(write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
    // Sparse: no disk space is used.
    ASSERT_EQ(ftruncate(fd, off_t{1} << 32), 0);
    close(fd);
    BTCImageObject obj;
    EXPECT_FALSE(obj.Load(strPath));
    EXPECT_NE(obj.GetLastError().find("4 GiB"), std::string::npos) << obj.GetLastError();
}
