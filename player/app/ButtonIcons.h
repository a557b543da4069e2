// Button pictures drawn as vector shapes, so they stay crisp at any size and scale.
#pragma once

#include <QIcon>

enum class EButtonPicture {
    Play,         // right-pointing triangle
    Pause,        // two bars
    Stop,         // square
    Close,        // power symbol
    FullScreen,   // monitor
    Open,         // open folder
    FastForward,  // two right-pointing triangles
    Application,  // the program's icon: a monitor showing a note
};

// An icon that draws its picture afresh at every requested size, in the palette's button
// text colour (greyed when disabled).
QIcon MakeButtonIcon(EButtonPicture picture);
