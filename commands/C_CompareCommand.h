#pragma once
// Compare Images: compares the open picture with another picture file and says whether they differ.

class C_Carrier;
class C_Prompts;

class C_CompareCommand {
public:
    static void Run(const C_Carrier& carrier, C_Prompts& prompts);
};
