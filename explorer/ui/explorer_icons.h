// The program's own pictures, drawn in code: row icons, toolbar icons (normal and hover),
// the copy buttons, the turbo images, the progress animation and the window icon.
#pragma once
#include <QIcon>
#include <QPixmap>

namespace explorer {

enum class ExplorerPicture {
    UpFolder, Folder, Record,
    HighFolder, Refresh, LargeIcons, List, Details, Delete, NewFolder,
    CopyPcToPvr, CopyPvrToPc, TurboOff, TurboOn,
    CopyingA, CopyingB, Program
};

// size: edge in pixels; hover: the picture shown while the pointer is over the button.
QPixmap DrawPicture(ExplorerPicture picture, int size, bool hover = false);
QIcon PictureIcon(ExplorerPicture picture);
// The normal arrow pointer, its tip in the middle of the picture (a cursor's hot spot).
QPixmap ArrowPointer();

}  // namespace explorer
