/*
 * test_png_file.cpp - the PNG writer: images read back by libpng's own
 * reader pixel for pixel, and the failures it must report.
 */
#include "track/png_file.h"

#include "support/harness.h"

#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

namespace {

/* Each pixel a colour of its own, so that a row or a channel out of place shows. */
std::vector<unsigned char> test_pattern(int width, int height)
{
    std::vector<unsigned char> rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            rgb.push_back(static_cast<unsigned char>(x * 40 + 1));
            rgb.push_back(static_cast<unsigned char>(y * 70 + 2));
            rgb.push_back(static_cast<unsigned char>((x + y * width) * 9 + 3));
        }
    return rgb;
}

struct ReadBack {
    bool ok = false;
    png_uint_32 width = 0, height = 0, format = 0;
    std::vector<unsigned char> rgb;
};

ReadBack read_with_libpng(const std::string& path)
{
    ReadBack back;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return back;
    back.width = image.width;
    back.height = image.height;
    back.format = image.format;
    image.format = PNG_FORMAT_RGB;
    back.rgb.resize(PNG_IMAGE_SIZE(image));
    back.ok = png_image_finish_read(&image, nullptr, back.rgb.data(), 0, nullptr) != 0;
    return back;
}

TEST(PngFile, ImagesComeBackPixelForPixelFromTopToBottom)
{
    /* One pixel; an odd width, whose rows are no multiple of four bytes;
       a row and a column. */
    const struct {
        int width, height;
    } sizes[] = {{1, 1}, {5, 3}, {7, 1}, {1, 6}};
    E2eTempDir dir("kestrim-png");
    ASSERT_FALSE(dir.path.empty());
    for (const auto& size : sizes) {
        std::string label = std::to_string(size.width) + "x" + std::to_string(size.height);
        std::string path = dir.path + "/" + label + ".png";
        std::vector<unsigned char> rgb = test_pattern(size.width, size.height);
        FILE* file = fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::string why;
        EXPECT_TRUE(write_png(file, size.width, size.height, rgb.data(), &why)) << label << why;
        EXPECT_EQ(fclose(file), 0);
        ReadBack back = read_with_libpng(path);
        ASSERT_TRUE(back.ok) << label;
        EXPECT_EQ(back.width, static_cast<png_uint_32>(size.width)) << label;
        EXPECT_EQ(back.height, static_cast<png_uint_32>(size.height)) << label;
        /* 8-bit RGB: no alpha, no palette, no grey. */
        EXPECT_EQ(back.format, static_cast<png_uint_32>(PNG_FORMAT_RGB)) << label;
        EXPECT_EQ(back.rgb, rgb) << label;
    }
}

TEST(PngFile, AFullDiskOrNoPixelsIsReportedNotHidden)
{
    std::vector<unsigned char> rgb = test_pattern(64, 64);
    const struct {
        const char* label;
        const char* path;
        int width, height;
        const char* reason;
    } cases[] = {
        {"a full disk", "/dev/full", 64, 64, "No space left on device"},
        {"no width", "/dev/null", 0, 64, "no pixels"},
        {"a negative height", "/dev/null", 64, -1, "no pixels"},
    };
    for (const auto& c : cases) {
        FILE* file = fopen(c.path, "wb");
        ASSERT_NE(file, nullptr) << c.path;
        std::string why;
        EXPECT_FALSE(write_png(file, c.width, c.height, rgb.data(), &why)) << c.label;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.label << ": " << why;
        fclose(file);
    }
}

} // namespace
