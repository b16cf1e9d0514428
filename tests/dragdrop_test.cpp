// Files leaving a view as a uri-list and arriving by a drop: the payload in
// both directions, the drag list, the hook, and the drop target.
#include <gtest/gtest.h>

#include "songcore/views/DragDropFiles.h"
#include "songcore/views/DropTarget.h"

namespace {

using songcore::DropPayload;
using songcore::MakeUriList;
using songcore::ParseDropPayload;

TEST(DragDrop, UriListOfPaths) {
    EXPECT_EQ(MakeUriList({"/m/a.mp3", "/m/b c#%.mp3", "/m/Björk.flac"}),
              "file:///m/a.mp3\r\nfile:///m/b%20c%23%25.mp3\r\nfile:///m/Bj%C3%B6rk.flac\r\n");
    EXPECT_EQ(MakeUriList({}), "");
    // Internet songs are URIs already.
    EXPECT_EQ(MakeUriList({"http://h/s.mp3?x=1"}), "http://h/s.mp3?x=1\r\n");
    // Relative paths are made absolute, or no other program could open them.
    EXPECT_EQ(songcore::PathToFileUri("rel.mp3").substr(0, 8), "file:///");
}

TEST(DragDrop, ReadingDroppedPayloads) {
    // What file managers send: comments, CR LF or LF, localhost, encoded bytes.
    std::string list =
        "# comment\r\nfile:///m/a%20b.mp3\r\nfile://localhost/m/c.ogg\nhttp://h/s.mp3\r\n\r\n"
        "file://otherhost/m/far.mp3\r\nfile:///m/nul%00.mp3\r\nfile:///m/%C3%A9.flac";
    EXPECT_EQ(ParseDropPayload("text/uri-list", list),
              (std::vector<std::string>{"/m/a b.mp3", "/m/c.ogg", "http://h/s.mp3", "/m/é.flac"}));
    // Plain text: one path per line, file URIs decoded, nothing is a comment.
    EXPECT_EQ(ParseDropPayload("text/plain;charset=utf-8",
                               "/m/a.mp3\n  \n#odd name.mp3\n"
                               "file:///m/x%20y.mp3\n"),
              (std::vector<std::string>{"/m/a.mp3", "#odd name.mp3", "/m/x y.mp3"}));
    EXPECT_TRUE(ParseDropPayload("text/uri-list", "").empty());

    std::vector<std::string> paths{"/m/a b.mp3", "/m/100%.mp3", "/m/Ünï.ogg", "/m/+;=?&.mp3"};
    EXPECT_EQ(ParseDropPayload("text/uri-list", MakeUriList(paths)), paths);
}

TEST(DragDrop, DragListAndDropReading) {
    CDragDropFiles files;
    EXPECT_EQ(files.AddDragFile("/m/a.mp3"), 0);
    EXPECT_EQ(files.AddDragFile("/m/B.mp3"), 1);
    EXPECT_EQ(files.AddDragFile("/m/c.mp3"), 2);
    files.RemoveDragFile("/m/b.mp3");  // exact: a different file
    EXPECT_EQ(files.GetDragFileCount(), 3);
    files.RemoveDragFile("/m/B.mp3");
    files.RemoveDragFile(5);
    files.RemoveDragFile(0);
    EXPECT_EQ(files.GetDragFiles(), (std::vector<std::string>{"/m/c.mp3"}));
    EXPECT_EQ(files.CreateDragBuffer(), 17);
    EXPECT_EQ(files.GetDragBuffer().mimeType, "text/uri-list");

    DropPayload drop{"text/uri-list", "file:///m/x.mp3\r\nfile:///m/y.mp3\r\n"};
    EXPECT_EQ(files.StartDropFiles(&drop), 2u);
    EXPECT_EQ(files.GetDropFile(1), "/m/y.mp3");
    EXPECT_EQ(files.GetDropFile(2), "");
    files.EndDropFiles();
    EXPECT_EQ(files.GetDropFileCount(), 0u);
    EXPECT_EQ(files.StartDropFiles(nullptr), 0u);
    files.EndDropFiles();  // nothing to end
}

TEST(DragDrop, DragRunsThroughTheHook) {
    CDragDropFiles files;
    int drags = 0;
    CDragDropFiles::SetDefaultDragHook(
        [&](const DropPayload&, const std::vector<std::string>&) { ++drags; });
    files.DragFiles();  // an empty list is not dragged
    EXPECT_EQ(drags, 0);
    files.AddDragFile("/m/a.mp3");
    files.DragFiles();
    EXPECT_EQ(drags, 1);
    // An object's own hook wins over the process-wide one.
    std::string payload;
    files.SetDragHook(
        [&](const DropPayload& p, const std::vector<std::string>&) { payload = p.data; });
    files.DragFiles();
    EXPECT_EQ(drags, 1);
    EXPECT_EQ(payload, "file:///m/a.mp3\r\n");
    EXPECT_EQ(files.GetDragFileCount(), 1);  // the caller empties the list
    CDragDropFiles::SetDefaultDragHook(nullptr);
    CDragDropFiles other;
    other.AddDragFile("/m/a.mp3");
    other.DragFiles();  // no hook: nothing happens
    EXPECT_EQ(drags, 1);
}

TEST(DragDrop, DropTargetScrollsNearEdgesAndDeliversDrops) {
    CDropTarget target;
    CDropTarget::RECT client{0, 0, 200, 100};
    int scroll = -1;
    EXPECT_EQ(target.OnDragEnter(), CDropTarget::DROPEFFECT_COPY);
    EXPECT_EQ(target.OnDragOver(client, {100, 95}, scroll), CDropTarget::DROPEFFECT_COPY);
    EXPECT_EQ(scroll, CDropTarget::SB_LINEDOWN);
    target.OnDragOver(client, {5, 10}, scroll);
    EXPECT_EQ(scroll, CDropTarget::SB_LINEUP | CDropTarget::SB_LINELEFT);
    target.OnDragOver(client, {190, 50}, scroll);
    EXPECT_EQ(scroll, CDropTarget::SB_LINERIGHT);
    target.OnDragOver(client, {100, 50}, scroll);
    EXPECT_EQ(scroll, CDropTarget::SCROLL_NONE);

    // Accepted without a receiver; a drop without files is refused.
    DropPayload songs{"text/uri-list", "file:///m/a.mp3\r\n"};
    EXPECT_TRUE(target.OnDrop(songs));
    EXPECT_FALSE(target.OnDrop({"text/uri-list", "# nothing\r\n"}));

    std::vector<std::string> received;
    CDragDropFiles reader;
    target.Register([&](HDROP drop) {
        uint32_t n = reader.StartDropFiles(drop);
        for (uint32_t i = 0; i < n; ++i) {
            received.push_back(reader.GetDropFile(i));
        }
        reader.EndDropFiles();
    });
    EXPECT_TRUE(target.OnDrop(songs));
    EXPECT_EQ(received, (std::vector<std::string>{"/m/a.mp3"}));
}

}  // namespace
