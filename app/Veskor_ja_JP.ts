<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>AMeasP</name>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A Meas Point</source>
        <translation>測定点</translation>
    </message>
    <message>
        <source>I0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ICRs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SCAs</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Body</name>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>クリア</translation>
    </message>
    <message>
        <source>Veskor</source>
        <translation type="unfinished"></translation>
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
</TS>
