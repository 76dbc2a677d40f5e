// Every widget header of Qt includes this one first. The program's core puts
// this folder ahead of Qt's on its include path, so using a widget there
// fails to compile: the core reaches the windows only through its interfaces.
#error "app/core must not use Qt Widgets"
