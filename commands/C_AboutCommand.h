#pragma once
// About: shows the about box; works with or without an open picture.

class C_Prompts;

class C_AboutCommand {
public:
    static void Run(C_Prompts& prompts);
};
