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
<context>
    <name>AMeasP</name>
    <message>
        <source>row %1, line %2</source>
        <translation>%1 番目の行（%2 行目）</translation>
    </message>
    <message>
        <source>point %1</source>
        <translation>%1 点目</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1、%2</translation>
    </message>
    <message>
        <source>%1, scan %2, %3</source>
        <translation>%1、スキャン %2、%3</translation>
    </message>
</context>
<context>
    <name>Body</name>
    <message>
        <source>Not every scan file could be read as asked.</source>
        <translation>一部のスキャンファイルを指定どおりに読み込めませんでした。</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Scan files: SPEC, XDI, XDAC, CSV, HDF5 (*.spec *.xdi *.[0-9][0-9][0-9] *.csv *.tsv *.txt *.dat *.h5 *.hdf5 *.hdf *.nxs)</source>
        <translation>スキャンファイル: SPEC, XDI, XDAC, CSV, HDF5 (*.spec *.xdi *.[0-9][0-9][0-9] *.csv *.tsv *.txt *.dat *.h5 *.hdf5 *.hdf *.nxs)</translation>
    </message>
    <message>
        <source>MCA spectra and count tables (*.mca *.dat *.txt)</source>
        <translation>MCA スペクトルとカウント表 (*.mca *.dat *.txt)</translation>
    </message>
</context>
<context>
    <name>ColumnMappingDialog</name>
    <message>
        <source>Columns of a scan file</source>
        <translation>スキャンファイルの列</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>スキャン</translation>
    </message>
    <message>
        <source>I0</source>
        <translation>I0</translation>
    </message>
    <message>
        <source>ICR (input counts)</source>
        <translation>ICR（入力カウント）</translation>
    </message>
    <message>
        <source>SCA (output counts)</source>
        <translation>SCA（出力カウント）</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>{n} stands for the channel number from 1: ICR{n} reads ICR1, ICR2, … as far as they go. A name without {n} of a two-dimensional dataset [point, channel] gives every channel. With a time, every value is divided by it.</source>
        <translation>{n} は 1 から始まるチャンネル番号を表します。ICR{n} は ICR1、ICR2、… をある限り読みます。{n} を含まない名前の 2 次元データセット [点, チャンネル] は全チャンネルを与えます。時間を指定すると、すべての値をその時間で割ります。</translation>
    </message>
    <message>
        <source>Dataset</source>
        <translation>データセット</translation>
    </message>
    <message>
        <source>Shape</source>
        <translation>形状</translation>
    </message>
    <message>
        <source>blank-separated text</source>
        <translation>空白区切りテキスト</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>The mapping is used for all %1 scan files of this selection, and the scan chosen for each SPEC file of several.</source>
        <translation>この対応付けは、選択した %1 個のスキャンファイルすべてに使われます。複数のスキャンを含む SPEC ファイルには、選んだスキャンが使われます。</translation>
    </message>
    <message>
        <source>one value</source>
        <translation>値 1 個</translation>
    </message>
    <message>
        <source>%1, not numbers</source>
        <translation>%1、数値ではありません</translation>
    </message>
    <message>
        <source>%1: %2 (rows: %3)</source>
        <translation>%1: %2（%3 行）</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Name the columns of I0, ICR and SCA.</source>
        <translation>I0、ICR、SCA の列を指定してください。</translation>
    </message>
    <message>
        <source>{n} stands for a channel: only ICR and SCA take it.</source>
        <translation>{n} はチャンネルを表すため、ICR と SCA にだけ使えます。</translation>
    </message>
    <message>
        <source>%1 counts clock ticks (12.5 ns each), not seconds: the constants come out in ticks.</source>
        <translation>%1 は秒ではなくクロック数（1 クロック 12.5 ns）を数えます。定数はクロック単位になります。</translation>
    </message>
    <message>
        <source>These counts are rates already; they need no time.</source>
        <translation>これらのカウントはすでにレートなので、時間は不要です。</translation>
    </message>
    <message>
        <source>Without a time, the values are taken as they stand.</source>
        <translation>時間を指定しない場合、値はそのまま使われます。</translation>
    </message>
</context>
<context>
    <name>ScanFileProblems</name>
    <message>
        <source>the time</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>%1 cannot be opened.</source>
        <translation>%1 を開けません。</translation>
    </message>
    <message>
        <source>%1 is larger than %2 MB, more than a scan file holds.</source>
        <translation>%1 は %2 MB を超えており、スキャンファイルとしては大きすぎます。</translation>
    </message>
    <message>
        <source>%1 cannot be read as an HDF5 file.</source>
        <translation>%1 を HDF5 ファイルとして読めません。</translation>
    </message>
    <message>
        <source>%1 cannot be read as a scan file.</source>
        <translation>%1 をスキャンファイルとして読めません。</translation>
    </message>
    <message>
        <source>%1 holds %2 scans; load it on its own to choose one.</source>
        <translation>%1 には %2 個のスキャンがあります。このファイルだけを読み込んでスキャンを選んでください。</translation>
    </message>
    <message>
        <source>%1 has no scan %2.</source>
        <translation>%1 にスキャン %2 はありません。</translation>
    </message>
    <message>
        <source>%1 has no dataset “%2” for %3.</source>
        <translation>%1 に %3 のデータセット「%2」はありません。</translation>
    </message>
    <message>
        <source>%1 has no column “%2” for %3.</source>
        <translation>%1 に %3 の列「%2」はありません。</translation>
    </message>
    <message>
        <source>In %1, “%2” cannot be used for %3.</source>
        <translation>%1 の「%2」は %3 に使えません。</translation>
    </message>
    <message>
        <source>In %1, ICR gives %2 channels but SCA gives %3.</source>
        <translation>%1 では ICR が %2 チャンネル、SCA が %3 チャンネルで、一致しません。</translation>
    </message>
    <message>
        <source>%1 cannot be read.</source>
        <translation>%1 を読めません。</translation>
    </message>
    <message>
        <source>%1 gives no measurement point.</source>
        <translation>%1 から測定点が得られません。</translation>
    </message>
    <message>
        <source>Some rows or points of %1 were skipped; the others are loaded.</source>
        <translation>%1 の一部の行または点を読み飛ばしました。残りは読み込みました。</translation>
    </message>
</context>
</TS>
