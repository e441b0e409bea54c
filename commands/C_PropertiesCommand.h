#pragma once
// Carrier Properties: shows the picture's path, size, dimensions, depth and capacity, and the
// payload that the detection check recommends.

class C_Carrier;
class C_Prompts;

class C_PropertiesCommand {
public:
    static void Run(const C_Carrier& carrier, C_Prompts& prompts);
};
