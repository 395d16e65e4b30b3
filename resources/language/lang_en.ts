<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>与雷达的连接已中断：</source>
        <translation>Connection to the radar lost: </translation>
    </message>
</context>
</TS>
