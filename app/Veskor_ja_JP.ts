<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>AMeasP</name>
    <message>
        <source>0</source>
        <translation type="unfinished">0</translation>
    </message>
    <message>
        <source>%1, line %2</source>
        <translation>%1、%2 行目</translation>
    </message>
    <message>
        <source>A Meas Point</source>
        <translation>測定点</translation>
    </message>
    <message>
        <source>I0</source>
        <translation type="unfinished">I0</translation>
    </message>
    <message>
        <source>ICRs</source>
        <translation type="unfinished">ICRs</translation>
    </message>
    <message>
        <source>SCAs</source>
        <translation type="unfinished">SCAs</translation>
    </message>
</context>
<context>
    <name>Body</name>
    <message>
        <source>0</source>
        <translation type="unfinished">0</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
    <message>
        <source>Veskor</source>
        <translation type="unfinished">Veskor</translation>
    </message>
    <message>
        <source>Veskor — %1 of %2 points loaded</source>
        <translation>Veskor — %2 点中 %1 点を読込</translation>
    </message>
    <message>
        <source>I0 Back Ground</source>
        <translation>I0バックグラウンド</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Read File(s)</source>
        <translation>ファイル読込</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Tau0s (preAmp)</source>
        <translation>τ0 (preAmp)</translation>
    </message>
    <message>
        <source>Taus (Amp)</source>
        <translation>τ (Amp)</translation>
    </message>
</context>
<context>
    <name>PointSet</name>
    <message>
        <source>Fitted over %1 points.</source>
        <translation>%1 点でフィット。</translation>
    </message>
</context>
</TS>
