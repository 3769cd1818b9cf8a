#include "export/image_names.h"

#include <gtest/gtest.h>

namespace vexmor {
namespace {

// Every name the exports give reads back to its texture and level; nothing else does.
TEST(ImageNames, EveryExportedNameReadsBackToItsTextureAndLevel) {
    const std::string mipName = mipLevelImageName("Falcon\\Body1.mip", 1, 4, 128, 130);
    EXPECT_EQ(mipName, "Falcon\\Body1.mip.2.4.128x130.16640B.png");
    const std::optional<ImageName> mip = parseImageName(mipName);
    ASSERT_TRUE(mip);
    EXPECT_EQ(mip->form, ImageNameForm::mipLevel);
    EXPECT_EQ(mip->texture, "Falcon\\Body1.mip");
    EXPECT_EQ(mip->level, 1u);
    EXPECT_EQ(mip->width, 128u);
    EXPECT_EQ(mip->height, 130u);

    Mi4Header header;
    header.width = 256;
    header.height = 258;
    header.numMips = 4;
    const Mi4LevelRecord record{15, 511, 68};
    const std::string mi4Name =
        mi4LevelImageName("track\\wall.v1.mi4", 0, header, mi4ReadGeometry(header, 0), record);
    EXPECT_EQ(mi4Name,
              "track\\wall.v1.mi4.1.4.256x258.33024B.Offset.68.size.33024.magic.511.level.15.png");
    const std::optional<ImageName> mi4 = parseImageName(mi4Name);
    ASSERT_TRUE(mi4);
    EXPECT_EQ(mi4->form, ImageNameForm::mi4Level);
    EXPECT_EQ(mi4->texture, "track\\wall.v1.mi4");
    EXPECT_EQ(mi4->level, 0u);
    EXPECT_EQ(mi4->width, 256u);
    EXPECT_EQ(mi4->height, 258u);

    EXPECT_EQ(mipFirstLevelImageName("Falcon\\Body1.mip"), "Falcon\\Body1.png");
    const std::optional<ImageName> first = parseImageName("Falcon\\Body1.PNG");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->form, ImageNameForm::mipFirstLevel);
    EXPECT_EQ(first->texture, "Falcon\\Body1.mip");
    EXPECT_EQ(first->level, 0u);

    for (const char* name : {
             "Body1.mip.2.4.128x130.16641B.png",  // byte count not width × height
             "Body1.mip.5.4.128x130.16640B.png",  // level beyond the count
             "Body1.mip.0.4.128x130.16640B.png",  // levels count from 1
             "Body1.mip.+2.4.128x130.16640B.png",
             "Body1.mi4.1.4.256x258.33024B.Offset.68.size.33023.magic.511.level.15.png",
             "Body1.mip.1.4.256x258.33024B.Offset.68.size.33024.magic.511.level.15.png",
             "Body1.mip.2.4.128x130.16640B.bmp",
             ".png",
             "Folder\\.png",
         }) {
        EXPECT_FALSE(parseImageName(name)) << name;
    }
}

}  // namespace
}  // namespace vexmor
