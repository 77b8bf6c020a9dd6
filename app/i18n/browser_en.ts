<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Browser</name>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>%1 文件</source>
        <translation>%1 File</translation>
    </message>
</context>
<context>
    <name>orvix::FolderBrowser</name>
    <message>
        <source>加入打印列表(&amp;A)</source>
        <translation>&amp;Add to Print List</translation>
    </message>
    <message>
        <source>删除文件(&amp;D)</source>
        <translation>&amp;Delete File</translation>
    </message>
    <message>
        <source>重新预览(&amp;R)</source>
        <translation>&amp;Re-preview</translation>
    </message>
    <message>
        <source>刷新RIP文件夹(&amp;F)</source>
        <translation>Re&amp;fresh RIP Folder</translation>
    </message>
    <message>
        <source>详细资料(&amp;V)</source>
        <translation>Details (&amp;V)</translation>
    </message>
    <message>
        <source>无法预览 %1: %2</source>
        <translation>Cannot preview %1: %2</translation>
    </message>
    <message>
        <source>提示信息：代码 006 ：请选择打印文件</source>
        <translation>Note: code 006: please choose a print file</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>无法打开RIP文件</source>
        <translation>Cannot open the RIP file</translation>
    </message>
    <message>
        <source>RIP文件头错误: %1</source>
        <translation>RIP file header refused: %1</translation>
    </message>
    <message>
        <source>提示信息：确认是否要删除此文件？</source>
        <translation>Note: delete this file?</translation>
    </message>
</context>
<context>
    <name>orvix::ImageView</name>
    <message>
        <source>无法读取预览图像</source>
        <translation>Cannot read the preview picture</translation>
    </message>
    <message>
        <source>材料宽度:%1mm</source>
        <translation>Media width:%1mm</translation>
    </message>
    <message>
        <source>文件: %1</source>
        <translation>File: %1</translation>
    </message>
    <message>
        <source>宽度: %1 米</source>
        <translation>Width: %1 m</translation>
    </message>
    <message>
        <source>长度: %1 米</source>
        <translation>Length: %1 m</translation>
    </message>
    <message>
        <source>面积: %1 平米</source>
        <translation>Area: %1 m²</translation>
    </message>
    <message>
        <source>数量: %1/%2</source>
        <translation>Copies: %1/%2</translation>
    </message>
    <message>
        <source>颜色:%1</source>
        <translation>Colours:%1</translation>
    </message>
    <message>
        <source>精度: %1</source>
        <translation>Resolution: %1</translation>
    </message>
    <message>
        <source>打印代码:%1,%2,%3,%4,%5</source>
        <translation>Print code:%1,%2,%3,%4,%5</translation>
    </message>
    <message>
        <source>剩余: %1</source>
        <translation>Left: %1</translation>
    </message>
    <message>
        <source>墨水覆盖率:</source>
        <translation>Ink coverage:</translation>
    </message>
</context>
<context>
    <name>orvix::ImageWindow</name>
    <message>
        <source>请选择RIP文件</source>
        <translation>Choose a RIP file</translation>
    </message>
</context>
</TS>
