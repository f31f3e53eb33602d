<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>LanguageButton</name>
    <message>
        <source>Язык</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Язык окна сменится при следующем запуске программы.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
