<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWindow</name>
    <message numerus="yes">
        <source>场景参数校验失败：%n项不一致</source>
        <translation>
            <numerusform>场景参数校验失败：%n项不一致</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ReplayPanel</name>
    <message numerus="yes">
        <source>（目标 %1）</source>
        <translation>
            <numerusform>（目标 %1）</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>RadarHistory</name>
    <message numerus="yes">
        <source>雷达历史完整：已检查 %n 条记录</source>
        <translation>
            <numerusform>雷达历史完整：已检查 %n 条记录</numerusform>
        </translation>
    </message>
</context>
</TS>
