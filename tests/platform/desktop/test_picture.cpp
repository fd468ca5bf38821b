#include "core/error.h"
#include "platform/picture.h"

#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zentari;

namespace {

class PictureTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A noisy picture (so that its JPEG holds plenty of scan data) with a red top half.
    QImage sample() const
    {
        QImage image(64, 48, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, y < 24 ? qRgb(230, 20, 20) : random.generate() | 0xff000000);
        return image;
    }

    QString saveJpeg(const QString& name) const
    {
        EXPECT_TRUE(sample().save(path(name), "JPEG", 90));
        return path(name);
    }

    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray read(const QString& file) const
    {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    QTemporaryDir m_dir;
};

void expectLoadFails(const QString& file)
{
    try {
        loadPicture(file);
        ADD_FAILURE() << "loaded " << file.toStdString();
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(file)) << e.message().toStdString();
    }
}

} // namespace

TEST_F(PictureTest, JpegDecodesToItsSizeAndColours)
{
    const QImage image = loadPicture(saveJpeg(QStringLiteral("back.jpg")));
    EXPECT_EQ(image.size(), QSize(64, 48));
    const QColor top = image.pixelColor(32, 8);
    EXPECT_GT(top.red(), 180);
    EXPECT_LT(top.green(), 70);
}

TEST_F(PictureTest, JpegExtensionsInAnyCase)
{
    for (const char* name : {"a.JPG", "b.jpeg", "c.Jpe"})
        EXPECT_EQ(loadPicture(saveJpeg(QString::fromLatin1(name))).size(), QSize(64, 48)) << name;
}

TEST_F(PictureTest, BitmapKeepsItsPixels)
{
    const QImage original = sample();
    ASSERT_TRUE(original.save(path(QStringLiteral("min.bmp")), "BMP"));
    const QImage image = loadPicture(path(QStringLiteral("min.bmp")));
    EXPECT_EQ(image.size(), original.size());
    EXPECT_EQ(image.pixel(5, 40), original.pixel(5, 40));
}

TEST_F(PictureTest, TruncatedJpegFails)
{
    const QByteArray whole = read(saveJpeg(QStringLiteral("whole.jpg")));
    write(QStringLiteral("half.jpg"), whole.left(whole.size() / 2));
    expectLoadFails(path(QStringLiteral("half.jpg")));
}

TEST_F(PictureTest, JpegWithDamagedHeaderFails)
{
    QByteArray bytes = read(saveJpeg(QStringLiteral("whole.jpg")));
    bytes.replace(2, 200, QByteArray(200, '\x00'));
    write(QStringLiteral("damaged.jpg"), bytes);
    expectLoadFails(path(QStringLiteral("damaged.jpg")));
}

TEST_F(PictureTest, JpegWithDamagedScanDataFails)
{
    QByteArray bytes = read(saveJpeg(QStringLiteral("whole.jpg")));
    // Markers in the middle of the scan: the data end before the picture does.
    for (qsizetype i = bytes.size() / 3; i < bytes.size() - 2; i += 50) {
        bytes[i] = '\xff';
        bytes[i + 1] = '\xd9';
    }
    write(QStringLiteral("scan.jpg"), bytes);
    expectLoadFails(path(QStringLiteral("scan.jpg")));
}

TEST_F(PictureTest, PngOrGarbageNamedJpgFails)
{
    ASSERT_TRUE(sample().save(path(QStringLiteral("png.jpg")), "PNG"));
    expectLoadFails(path(QStringLiteral("png.jpg")));
    write(QStringLiteral("garbage.jpg"), QByteArray("not a picture at all"));
    expectLoadFails(path(QStringLiteral("garbage.jpg")));
    write(QStringLiteral("empty.jpeg"), QByteArray());
    expectLoadFails(path(QStringLiteral("empty.jpeg")));
}

TEST_F(PictureTest, GarbageBitmapFails)
{
    write(QStringLiteral("res.bmp"), QByteArray("BM but nothing else"));
    expectLoadFails(path(QStringLiteral("res.bmp")));
}

TEST_F(PictureTest, MissingFileOrFolderFails)
{
    expectLoadFails(path(QStringLiteral("nowhere.jpg")));
    expectLoadFails(path(QStringLiteral("nowhere.bmp")));
    expectLoadFails(m_dir.path());
}
