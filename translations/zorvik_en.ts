<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>AboutBox</name>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Конфигуратор Zorvik&lt;/h3&gt;&lt;p&gt;Настройка ёмкостных датчиков уровня топлива на линии RS-485.&lt;/p&gt;&lt;p&gt;Версия %1&lt;br&gt;Дата сборки: %2&lt;br&gt;Qt %3 (собрано с Qt %4)&lt;/p&gt;&lt;p&gt;© 2026 Zorvik configurator developers.&lt;br&gt;Свободная программа: её можно распространять и изменять на условиях GNU GPL версии 3 или более поздней. Без каких-либо гарантий.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Zorvik Configurator&lt;/h3&gt;&lt;p&gt;Setup of capacitive fuel-level sensors on an RS-485 line.&lt;/p&gt;&lt;p&gt;Version %1&lt;br&gt;Built: %2&lt;br&gt;Qt %3 (built with Qt %4)&lt;/p&gt;&lt;p&gt;© 2026 Zorvik configurator developers.&lt;br&gt;Free software: you may redistribute and change it under the GNU GPL version 3 or later. There is no warranty.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>Certificate</name>
    <message>
        <source>файл %1</source>
        <translation>file %1</translation>
    </message>
    <message>
        <source>датчик %1</source>
        <translation>sensor %1</translation>
    </message>
    <message>
        <source>расчёт по записи %1</source>
        <translation>calculated from recording %1</translation>
    </message>
    <message>
        <source>Таблица %1: %2</source>
        <translation>Table %1: %2</translation>
    </message>
    <message>
        <source>Наибольшая ошибка таблицы по точкам записи: %1 л (%2 % от %3 л) при уровне %4</source>
        <translation>Largest table error at the recorded points: %1 l (%2 % of %3 l) at level %4</translation>
    </message>
    <message>
        <source>Протокол тарировки датчика уровня топлива</source>
        <translation>Fuel level sensor calibration certificate</translation>
    </message>
    <message>
        <source>Дата и время: %1</source>
        <translation>Date and time: %1</translation>
    </message>
    <message>
        <source>Заказчик</source>
        <translation>Customer</translation>
    </message>
    <message>
        <source>Транспортное средство</source>
        <translation>Vehicle</translation>
    </message>
    <message>
        <source>Бак</source>
        <translation>Tank</translation>
    </message>
    <message>
        <source>Инженер</source>
        <translation>Engineer</translation>
    </message>
    <message>
        <source>Серийный номер</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>Прошивка</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Пустой</source>
        <translation>Empty</translation>
    </message>
    <message>
        <source>Полный</source>
        <translation>Full</translation>
    </message>
    <message>
        <source>Режим</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Порог лампы, %</source>
        <translation>Lamp threshold, %</translation>
    </message>
    <message>
        <source>Объект</source>
        <translation>Vehicle and tank</translation>
    </message>
    <message>
        <source>Датчик</source>
        <translation>Sensor</translation>
    </message>
    <message>
        <source>Таблица датчика (%1)</source>
        <translation>Sensor table (%1)</translation>
    </message>
    <message>
        <source>Точка</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>Показания датчика</source>
        <translation>Sensor reading</translation>
    </message>
    <message>
        <source>Литры</source>
        <translation>Litres</translation>
    </message>
    <message>
        <source>Уровень  (× точки записи, — таблица; литры по вертикали)</source>
        <translation>Level  (× recorded points, — table; litres vertical)</translation>
    </message>
    <message>
        <source>Контрольная заправка</source>
        <translation>Check refuel</translation>
    </message>
    <message>
        <source>Не проводилась.</source>
        <translation>Not done.</translation>
    </message>
    <message>
        <source>№ проции</source>
        <translation>Portion no.</translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>По таблице, л</source>
        <translation>By table, l</translation>
    </message>
    <message>
        <source>Ошибка, л</source>
        <translation>Error, l</translation>
    </message>
    <message>
        <source>Запись тарировки: %1</source>
        <translation>Calibration recording: %1</translation>
    </message>
    <message>
        <source>Запись тарировки: %1 (продолжение)</source>
        <translation>Calibration recording: %1 (continued)</translation>
    </message>
    <message>
        <source>Тарировку провёл</source>
        <translation>Calibrated by</translation>
    </message>
    <message>
        <source>Представитель заказчика</source>
        <translation>Customer representative</translation>
    </message>
    <message>
        <source>подпись</source>
        <translation>signature</translation>
    </message>
    <message>
        <source>SHA-256 записи %1: %2</source>
        <translation>SHA-256 of recording %1: %2</translation>
    </message>
    <message>
        <source>SHA-256 таблицы (файл zvk): %1</source>
        <translation>SHA-256 of table (zvk file): %1</translation>
    </message>
    <message>
        <source>Страница %1 из %2</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>Протокол тарировки %1</source>
        <translation>Calibration certificate %1</translation>
    </message>
    <message>
        <source>Конфигуратор Zorvik</source>
        <translation>Zorvik configurator</translation>
    </message>
</context>
<context>
    <name>CertificateActions</name>
    <message>
        <source>Заказчик</source>
        <translation>Customer</translation>
    </message>
    <message>
        <source>Транспортное средство</source>
        <translation>Vehicle</translation>
    </message>
    <message>
        <source>Бак</source>
        <translation>Tank</translation>
    </message>
    <message>
        <source>Инженер</source>
        <translation>Engineer</translation>
    </message>
    <message>
        <source>Сохранить PDF…</source>
        <translation>Save PDF…</translation>
    </message>
    <message>
        <source>Проверка таблицы и протокол</source>
        <translation>Table check and certificate</translation>
    </message>
    <message>
        <source>Контрольная заправка</source>
        <translation>Check refuel</translation>
    </message>
    <message>
        <source>Допуск, %</source>
        <translation>Tolerance, %</translation>
    </message>
    <message>
        <source>Протокол тарировки…</source>
        <translation>Certificate…</translation>
    </message>
    <message>
        <source>Допуск — число больше 0 и не больше 100 (%).</source>
        <translation>The tolerance is a number above 0 and up to 100 (%).</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Не удалось прочитать файл %1: %2</source>
        <translation>Could not read the file %1: %2</translation>
    </message>
    <message>
        <source>Датчик: %1, прошивка %2.
Запись: %3.
Таблица: %4.
Контрольная заправка: %5.</source>
        <translation>Sensor: %1, firmware %2.
Recording: %3.
Table: %4.
Check refuel: %5.</translation>
    </message>
    <message>
        <source>расчёт по записи</source>
        <translation>computed from the recording</translation>
    </message>
    <message>
        <source>не проводилась</source>
        <translation>not done</translation>
    </message>
    <message>
        <source>Протокол не записан в файл %1: %2</source>
        <translation>Certificate not written to %1: %2</translation>
    </message>
</context>
<context>
    <name>LanguageButton</name>
    <message>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Язык окна сменится при следующем запуске программы.</source>
        <translation>The window language changes when the program is started next time.</translation>
    </message>
</context>
<context>
    <name>LineDiagnosis</name>
    <message>
        <source>hint: никто не отвечает: проверьте питание датчиков, полярность линии (не перепутаны ли A и B), тот ли выбран порт и тот ли подключён адаптер</source>
        <translation>hint: nobody answers: check the sensors&apos; power, the line polarity (A and B not swapped), that the right port is chosen and the right adapter connected</translation>
    </message>
    <message>
        <source>hint: адрес %1: ответы с ошибкой CRC (%2 из %3): проверьте терминаторы 120 Ом на концах линии, смещение линии (bias), длину и целость кабеля, нет ли на линии второго ведущего (терминала, который опрашивает её сам)</source>
        <translation>hint: address %1: replies with a CRC error (%2 of %3): check the 120 Ohm terminators at the line ends, the line bias, the cable length and condition, and whether a second master (a terminal polling the line itself) is on the line</translation>
    </message>
    <message>
        <source>hint: адрес %1: ответ начинается с байтов самого запроса (%2 раз): адаптер возвращает эхо того, что передаёт; выключите эхо в адаптере или шлюзе</source>
        <translation>hint: address %1: the reply starts with the bytes of the request itself (%2 times): the adapter echoes what it sends; switch the echo off in the adapter or gateway</translation>
    </message>
    <message>
        <source>hint: адрес %1: задержка ответа p95 %2 мс (больше %3 мс): медленный шлюз или преобразователь между компьютером и линией</source>
        <translation>hint: address %1: reply delay p95 %2 ms (over %3 ms): a slow gateway or converter between the computer and the line</translation>
    </message>
    <message>
        <source>hint: адрес %1: на один опрос сети ответили два датчика: у двух датчиков один сетевой адрес; подключайте их по одному и задайте разные адреса</source>
        <translation>hint: address %1: two sensors answered one network scan: two sensors share one network address; connect them one at a time and give them different addresses</translation>
    </message>
</context>
<context>
    <name>LineFrames</name>
    <message>
        <source>состояние</source>
        <translation>state</translation>
    </message>
    <message>
        <source>серийный номер и версия</source>
        <translation>serial number and version</translation>
    </message>
    <message>
        <source>чтение таблицы</source>
        <translation>read table</translation>
    </message>
    <message>
        <source>запись таблицы</source>
        <translation>write table</translation>
    </message>
    <message>
        <source>полный по текущему</source>
        <translation>full at current level</translation>
    </message>
    <message>
        <source>пустой по текущему</source>
        <translation>empty at current level</translation>
    </message>
    <message>
        <source>сдвиг полного</source>
        <translation>full shift</translation>
    </message>
    <message>
        <source>сдвиг пустого</source>
        <translation>empty shift</translation>
    </message>
    <message>
        <source>полный по значению</source>
        <translation>full by value</translation>
    </message>
    <message>
        <source>пустой по значению</source>
        <translation>empty by value</translation>
    </message>
    <message>
        <source>режим</source>
        <translation>mode</translation>
    </message>
    <message>
        <source>ввод пароля</source>
        <translation>password entry</translation>
    </message>
    <message>
        <source>смена пароля</source>
        <translation>password change</translation>
    </message>
    <message>
        <source>уровень аварийного остатка</source>
        <translation>low fuel alarm level</translation>
    </message>
    <message>
        <source>горизонт</source>
        <translation>level-out</translation>
    </message>
    <message>
        <source>сетевой адрес</source>
        <translation>network address</translation>
    </message>
    <message>
        <source>неверный пароль</source>
        <translation>wrong password</translation>
    </message>
    <message>
        <source>серийный номер записан</source>
        <translation>serial number written</translation>
    </message>
    <message>
        <source>пар.</source>
        <translation>pass.</translation>
    </message>
    <message>
        <source>код %1</source>
        <translation>code %1</translation>
    </message>
    <message>
        <source>шум</source>
        <translation>noise</translation>
    </message>
    <message>
        <source>запрос: поиск датчиков</source>
        <translation>request: sensor search</translation>
    </message>
    <message>
        <source>запрос %1: %2</source>
        <translation>request %1: %2</translation>
    </message>
    <message>
        <source>ответ %1: </source>
        <translation>reply %1: </translation>
    </message>
    <message>
        <source>уровень %1, %2 °C</source>
        <translation>level %1, %2 °C</translation>
    </message>
    <message>
        <source>С/Н %1, версия %2</source>
        <translation>S/N %1, version %2</translation>
    </message>
    <message>
        <source>частотный режим, %1 Гц</source>
        <translation>frequency mode, %1 Hz</translation>
    </message>
</context>
<context>
    <name>LineMonitor</name>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Направление</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Команда</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Байты</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>Что это</source>
        <translation>Meaning</translation>
    </message>
    <message>
        <source>передано</source>
        <translation>sent</translation>
    </message>
    <message>
        <source>принято</source>
        <translation>received</translation>
    </message>
    <message>
        <source>Монитор линии</source>
        <translation>Line monitor</translation>
    </message>
    <message>
        <source>Запросов</source>
        <translation>Requests</translation>
    </message>
    <message>
        <source>Ответов</source>
        <translation>Replies</translation>
    </message>
    <message>
        <source>Без ответа</source>
        <translation>No reply</translation>
    </message>
    <message>
        <source>Ошибка CRC</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>Непонятых</source>
        <translation>Not understood</translation>
    </message>
    <message>
        <source>p50, мс</source>
        <translation>p50, ms</translation>
    </message>
    <message>
        <source>p95, мс</source>
        <translation>p95, ms</translation>
    </message>
    <message>
        <source>max, мс</source>
        <translation>max, ms</translation>
    </message>
    <message>
        <source>Все адреса</source>
        <translation>All addresses</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Только слушать</source>
        <translation>Listen only</translation>
    </message>
    <message>
        <source>Сохранить…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Замечаний нет.</source>
        <translation>No remarks.</translation>
    </message>
    <message>
        <source>Текст (*.txt)</source>
        <translation>Text (*.txt)</translation>
    </message>
    <message>
        <source>Сохранить кадры</source>
        <translation>Save frames</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1: %2</source>
        <translation>Could not write the file %1: %2</translation>
    </message>
</context>
<context>
    <name>MainForm</name>
    <message>
        <source>Демо-линия</source>
        <translation>Demo line</translation>
    </message>
    <message>
        <source>№ проции</source>
        <translation>Portion no.</translation>
    </message>
    <message>
        <source>Литры</source>
        <translation>Litres</translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>Ввести пароль</source>
        <translation>Enter password</translation>
    </message>
    <message>
        <source>Запрс состояния</source>
        <translation>Request state</translation>
    </message>
    <message>
        <source>Запрсить версию прошивки и серийный номер</source>
        <translation>Request firmware version and serial number</translation>
    </message>
    <message>
        <source>Сдвинуть уровень полного</source>
        <translation>Shift full level</translation>
    </message>
    <message>
        <source>Сдвинуть уровень пустого</source>
        <translation>Shift empty level</translation>
    </message>
    <message>
        <source>Установить уровень полного</source>
        <translation>Set full level</translation>
    </message>
    <message>
        <source>Установить уровень пустого</source>
        <translation>Set empty level</translation>
    </message>
    <message>
        <source>Установить режим</source>
        <translation>Set mode</translation>
    </message>
    <message>
        <source>Установить пароль</source>
        <translation>Set password</translation>
    </message>
    <message>
        <source>Тарировочная таблица датчика</source>
        <translation>Sensor calibration table</translation>
    </message>
    <message>
        <source>Нет данных</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>Конфигуратор Zorvik v2.6.3</source>
        <translation>Zorvik Configurator v2.6.3</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Открыть порт</source>
        <translation>Open port</translation>
    </message>
    <message>
        <source>Закрыть порт</source>
        <translation>Close port</translation>
    </message>
    <message>
        <source>Опрашивать Адрес</source>
        <translation>Poll address</translation>
    </message>
    <message>
        <source>Поиск датчиков</source>
        <translation>Find sensors</translation>
    </message>
    <message>
        <source>Устройства в сети:</source>
        <translation>Devices on line:</translation>
    </message>
    <message>
        <source>Серийный номер</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>Текущий</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>Пустой</source>
        <translation>Empty</translation>
    </message>
    <message>
        <source>нет данных</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>Полный</source>
        <translation>Full</translation>
    </message>
    <message>
        <source>Полный / Пустой</source>
        <translation>Full / Empty</translation>
    </message>
    <message>
        <source>Сетевой адрес</source>
        <translation>Network address</translation>
    </message>
    <message>
        <source>Темп-ра</source>
        <translation>Temp.</translation>
    </message>
    <message>
        <source>Частота</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>Аналоговый</source>
        <translation>Analog</translation>
    </message>
    <message>
        <source>Коэффициент</source>
        <translation>Coefficient</translation>
    </message>
    <message>
        <source>Cтабильность уровня</source>
        <translation>Level stability</translation>
    </message>
    <message>
        <source>Горизонт</source>
        <translation>Level out</translation>
    </message>
    <message>
        <source>Настройка</source>
        <translation>Setup</translation>
    </message>
    <message>
        <source>Тарировка</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>Дист. упр.</source>
        <translation>Remote</translation>
    </message>
    <message>
        <source>Прошивка</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>Балланс калибровки</source>
        <translation>Calibration balance</translation>
    </message>
    <message>
        <source>Установить текущий</source>
        <translation>Set current</translation>
    </message>
    <message>
        <source>Установить</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Сдвиг уровня</source>
        <translation>Level shift</translation>
    </message>
    <message>
        <source>Изменить &amp;сетевой адрес</source>
        <translation>Change &amp;network address</translation>
    </message>
    <message>
        <source>Порог срабатывания лампы %</source>
        <translation>Warning lamp threshold %</translation>
    </message>
    <message>
        <source>Пересчитывать в литры</source>
        <translation>Convert to litres</translation>
    </message>
    <message>
        <source>пересчитывать в проценты</source>
        <translation>Convert to percent</translation>
    </message>
    <message>
        <source>Сохранить профиль…</source>
        <translation>Save profile…</translation>
    </message>
    <message>
        <source>Сравнить с профилем…</source>
        <translation>Compare with profile…</translation>
    </message>
    <message>
        <source>Применить профиль…</source>
        <translation>Apply profile…</translation>
    </message>
    <message>
        <source>Режимы</source>
        <translation>Modes</translation>
    </message>
    <message>
        <source>Режим RS-485</source>
        <translation>RS-485 mode</translation>
    </message>
    <message>
        <source>Аналоговый Режим</source>
        <translation>Analog mode</translation>
    </message>
    <message>
        <source>Частотный режим</source>
        <translation>Frequency mode</translation>
    </message>
    <message>
        <source>Периодический</source>
        <translation>Periodic</translation>
    </message>
    <message>
        <source>Периодический RS485</source>
        <translation>Periodic RS485</translation>
    </message>
    <message>
        <source>Инверсия индикатора</source>
        <translation>Invert indicator</translation>
    </message>
    <message>
        <source>Сглаживание</source>
        <translation>Smoothing</translation>
    </message>
    <message>
        <source>Диапазон 4096</source>
        <translation>Range 4096</translation>
    </message>
    <message>
        <source>Откл. Термокомпенсацию</source>
        <translation>Thermal compensation off</translation>
    </message>
    <message>
        <source>Угол</source>
        <translation>Tilt</translation>
    </message>
    <message>
        <source>Качество</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>&amp;Установить</source>
        <translation>S&amp;et</translation>
    </message>
    <message>
        <source>Порция заправки</source>
        <translation>Refuel portion</translation>
    </message>
    <message>
        <source>Запись в  Файл:</source>
        <translation>Writing to file:</translation>
    </message>
    <message>
        <source>Новая тарировка</source>
        <translation>New calibration</translation>
    </message>
    <message>
        <source>Возобновить тарировку</source>
        <translation>Resume calibration</translation>
    </message>
    <message>
        <source>Изменить</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Ввести значение  (F9)</source>
        <translation>Record point  (F9)</translation>
    </message>
    <message>
        <source>удаленный сетевой номер</source>
        <translation>Remote network address</translation>
    </message>
    <message>
        <source>Cгенерировать запрос</source>
        <translation>Generate request</translation>
    </message>
    <message>
        <source>Скопируйте строку и вставьте в файл для отправки</source>
        <translation>Copy the string into the file to be sent</translation>
    </message>
    <message>
        <source>Копировать</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>читать из файла</source>
        <translation>read from file</translation>
    </message>
    <message>
        <source>Для версии прошивки 1.7.6 и выше</source>
        <translation>For firmware 1.7.6 and later</translation>
    </message>
    <message>
        <source>Отключите питание датчика</source>
        <translation>Switch the sensor power off</translation>
    </message>
    <message>
        <source>Нет файла</source>
        <translation>No file</translation>
    </message>
    <message>
        <source>Открыть файл</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>Сброс калибровок</source>
        <translation>Reset calibrations</translation>
    </message>
    <message>
        <source>Проверять записанное</source>
        <translation>Verify written data</translation>
    </message>
    <message>
        <source>Тип датчика</source>
        <translation>Sensor type</translation>
    </message>
    <message>
        <source>Пуск</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Внимание! Эта таблица используется для пересчета уровня в литры внутри датчика.</source>
        <translation>Caution! The sensor uses this table to convert the level into litres.</translation>
    </message>
    <message>
        <source>Показания датчика</source>
        <translation>Sensor reading</translation>
    </message>
    <message>
        <source>Прочитать из датчика</source>
        <translation>Read from sensor</translation>
    </message>
    <message>
        <source>Записать в датчик</source>
        <translation>Write to sensor</translation>
    </message>
    <message>
        <source>Сохранить в файл</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>Выйти</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Из тарировки…</source>
        <translation>From calibration…</translation>
    </message>
    <message>
        <source>Экспорт…</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>Импорт…</source>
        <translation>Import…</translation>
    </message>
    <message>
        <source>Сдвиг уровней</source>
        <translation>Level shift</translation>
    </message>
    <message>
        <source>Значения могут быть      от -1000 до 1000</source>
        <translation>Values from -1000 to 1000</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Обмен с датчиком: белый и серый сменяются с каждым запросом,
красный — ответ получен и разобран, жёлтый — порт закрыт.
Если цвет не меняется, обмен остановился.</source>
        <translation>Exchange with the sensor: white and grey alternate with each request,
red: a reply was received and decoded, yellow: the port is closed.
If the colour does not change, the exchange has stopped.</translation>
    </message>
    <message>
        <source>Стабильность показаний: зелёный — уровень устоялся,
жёлтый — ещё меняется, красный — сильно колеблется;
серый — данных нет.</source>
        <translation>Reading stability: green: the level has settled,
yellow: still changing, red: swinging widely;
grey: no data.</translation>
    </message>
    <message>
        <source>Отношение «Полный» к «Пустой»: зелёный — 1,8…1,98 (датчик настроен хорошо),
жёлтый — 1,6…2,08 (допустимо), красный — вне этих пределов,
проверьте калибровку.</source>
        <translation>Ratio of &quot;Full&quot; to &quot;Empty&quot;: green: 1.8…1.98 (sensor well set up),
yellow: 1.6…2.08 (acceptable), red: outside these limits,
check the calibration.</translation>
    </message>
    <message>
        <source>Нужна прошивка датчика %1.%2.%3 или новее</source>
        <translation>Needs sensor firmware %1.%2.%3 or later</translation>
    </message>
    <message>
        <source>Сообщения</source>
        <translation>Messages</translation>
    </message>
    <message>
        <source>Показать или скрыть историю сообщений</source>
        <translation>Show or hide the message history</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Подключение</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>Датчик</source>
        <translation>Sensor</translation>
    </message>
    <message>
        <source>Показания</source>
        <translation>Readings</translation>
    </message>
    <message>
        <source>График…</source>
        <translation>Chart…</translation>
    </message>
    <message>
        <source>Монитор линии…</source>
        <translation>Line monitor…</translation>
    </message>
    <message>
        <source>Команды</source>
        <translation>Commands</translation>
    </message>
    <message>
        <source>Уровни</source>
        <translation>Levels</translation>
    </message>
    <message>
        <source>Адрес и сигнализация</source>
        <translation>Address and alarm</translation>
    </message>
    <message>
        <source>Профиль</source>
        <translation>Profile</translation>
    </message>
</context>
<context>
    <name>MessageList</name>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Вид</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>Сообщение</source>
        <translation>Message</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>Протокол тарировки</source>
        <translation>Calibration certificate</translation>
    </message>
    <message>
        <source>Протокол тарировки записан в файл %1</source>
        <translation>Calibration certificate written to %1</translation>
    </message>
    <message>
        <source>Порт %1 не найден, порт не открыт.</source>
        <translation>Port %1 not found, port not opened.</translation>
    </message>
    <message>
        <source>выполнено</source>
        <translation>done</translation>
    </message>
    <message>
        <source>ошибка</source>
        <translation>error</translation>
    </message>
    <message>
        <source>сообщение</source>
        <translation>message</translation>
    </message>
    <message>
        <source>Порт не открыт.</source>
        <translation>Port not open.</translation>
    </message>
    <message>
        <source>Не выбран адрес датчика.</source>
        <translation>No sensor address selected.</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1: %2</source>
        <translation>Could not write the file %1: %2</translation>
    </message>
    <message>
        <source>Не удалось прочитать файл %1: %2</source>
        <translation>Could not read the file %1: %2</translation>
    </message>
    <message>
        <source>Прервано</source>
        <translation>Interrupted</translation>
    </message>
    <message>
        <source>Не удалось создать журнал в папке %1: %2</source>
        <translation>Could not create the run log in the folder %1: %2</translation>
    </message>
    <message>
        <source> Непонятно что пришло! </source>
        <translation> Reply not understood! </translation>
    </message>
    <message>
        <source>Ответ с неверной контрольной суммой.</source>
        <translation>Reply with a wrong checksum.</translation>
    </message>
    <message>
        <source>Непонятно что пришло!</source>
        <translation>Reply not understood!</translation>
    </message>
    <message>
        <source>Ответ не соответствует запросу</source>
        <translation>The reply does not match the request</translation>
    </message>
    <message>
        <source>после записи: %1</source>
        <translation>after writing: %1</translation>
    </message>
    <message>
        <source>после записи датчик отличается от профиля: %1</source>
        <translation>after writing, the sensor differs from the profile: %1</translation>
    </message>
    <message>
        <source>Датчики на линии не найдены.</source>
        <translation>No sensors found on the line.</translation>
    </message>
    <message>
        <source>Файл таблицы пуст: %1</source>
        <translation>The table file is empty: %1</translation>
    </message>
    <message>
        <source>Датчик с прошивкой %1 не поддерживает эту операцию: нужна версия %2 или новее.</source>
        <translation>A sensor with firmware %1 does not support this operation: it needs version %2 or later.</translation>
    </message>
    <message>
        <source>неизвестной версии</source>
        <translation>of unknown version</translation>
    </message>
    <message>
        <source>Неполный ответ.</source>
        <translation>Incomplete reply.</translation>
    </message>
    <message>
        <source>Датчик не сообщил свой режим работы.</source>
        <translation>The sensor did not report its operating mode.</translation>
    </message>
    <message>
        <source>Установите вменяемый уровень</source>
        <translation>Set a sensible level</translation>
    </message>
    <message>
        <source>%1

В частотном режиме датчик перестаёт отвечать по RS-485: ни прочитать, ни изменить его настройки отсюда будет нельзя. Вернуть его можно, только ненадолго отключив питание датчика и сразу выполнив «Поиск датчиков».</source>
        <translation>%1

In frequency mode the sensor stops answering on RS-485: its settings can then be neither read nor changed from here. To bring it back, switch the sensor power off for a moment and run &quot;Find sensors&quot; right away.</translation>
    </message>
    <message>
        <source>Сейчас будет произведена перекалибровка верхнего уровня. Вы уверены что это нужно?</source>
        <translation>The full level is about to be recalibrated. Are you sure?</translation>
    </message>
    <message>
        <source>Сейчас будет произведена перекалибровка нижнего уровня. Вы уверены что это нужно?</source>
        <translation>The empty level is about to be recalibrated. Are you sure?</translation>
    </message>
    <message>
        <source>Сейчас будет сдвинут верхний уровень. Вы уверены что это нужно?</source>
        <translation>The full level is about to be shifted. Are you sure?</translation>
    </message>
    <message>
        <source>Сейчас будет сдвинут уровень пустого. Вы уверены что это нужно?</source>
        <translation>The empty level is about to be shifted. Are you sure?</translation>
    </message>
    <message>
        <source>Сейчас будет изменен режим работы датчика. Вы уверены что это нужно?</source>
        <translation>The sensor operating mode is about to be changed. Are you sure?</translation>
    </message>
    <message>
        <source>Сейчас будет новый уровень аварийного остатка топлива. Вы уверены что это нужно?</source>
        <translation>A new low-fuel alarm level is about to be set. Are you sure?</translation>
    </message>
    <message>
        <source>Сейчас будет изменен пароль датчика. Если Вы забудете новый пароль, снять его сможет только производитель. МЕНЯЕМ ?</source>
        <translation>The sensor password is about to be changed. If you forget the new password, only the manufacturer can remove it. CHANGE IT?</translation>
    </message>
    <message>
        <source>Сейчас будет установлен горизонт датчика. Вы уверены что это нужно?</source>
        <translation>The sensor level-out is about to be set. Are you sure?</translation>
    </message>
    <message>
        <source>Датчик не подключен!</source>
        <translation>Sensor not connected!</translation>
    </message>
    <message>
        <source> На время калибровки снимите СГЛАЖИВАНИЕ и нажмите УСТАНОВИТЬ</source>
        <translation> For the calibration, clear SMOOTHING and press SET</translation>
    </message>
    <message>
        <source>Введите пароль</source>
        <translation>Enter the password</translation>
    </message>
    <message>
        <source>Ввод пароля</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Введите новый пароль</source>
        <translation>Enter the new password</translation>
    </message>
    <message>
        <source>Ввод нового пароля</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>Повторите новый пароль</source>
        <translation>Repeat the new password</translation>
    </message>
    <message>
        <source>Пароли не совпадают. Пароль не изменен.</source>
        <translation>The passwords differ. Password not changed.</translation>
    </message>
    <message>
        <source>Установите допустимый пароль</source>
        <translation>Set a valid password</translation>
    </message>
    <message>
        <source>По адресу %1 уже отвечает датчик: два датчика с одним адресом не ответят. Адрес не изменен.</source>
        <translation>A sensor already answers at address %1: two sensors with one address will not answer. Address not changed.</translation>
    </message>
    <message>
        <source>Введите новый сетевой номер</source>
        <translation>Enter the new network address</translation>
    </message>
    <message>
        <source>Ввод сетевого номера</source>
        <translation>Network address</translation>
    </message>
    <message>
        <source>Установите существующий сетевой адрес</source>
        <translation>Set a valid network address</translation>
    </message>
    <message>
        <source>Журнал не записывается на диск, записи хранятся в памяти.</source>
        <translation>The run log cannot be written to disk; records are kept in memory.</translation>
    </message>
    <message>
        <source>Порт занят другой программой.</source>
        <translation>The port is in use by another program.</translation>
    </message>
    <message>
        <source>Нет прав доступа к порту.</source>
        <translation>No permission to open the port.</translation>
    </message>
    <message>
        <source> Добавьте пользователя в группу %1 (sudo usermod -aG %1 %2) и войдите в систему заново.</source>
        <translation> Add the user to the group %1 (sudo usermod -aG %1 %2) and log in again.</translation>
    </message>
    <message>
        <source>Соединение с %1…</source>
        <translation>Connecting to %1…</translation>
    </message>
    <message>
        <source>Com Port %1 недоступен. Установите нужный порт.</source>
        <translation>Com Port %1 is not available. Choose the right port.</translation>
    </message>
    <message>
        <source>нет данных от датчика</source>
        <translation>no data from the sensor</translation>
    </message>
    <message>
        <source>обновлено %1 с назад</source>
        <translation>updated %1 s ago</translation>
    </message>
    <message>
        <source>Ошибка записи в порт %1</source>
        <translation>Error writing to port %1</translation>
    </message>
    <message>
        <source>Нет ответа от датчика с адресом %1</source>
        <translation>No reply from the sensor at address %1</translation>
    </message>
    <message>
        <source>Датчик подключен</source>
        <translation>Sensor connected</translation>
    </message>
    <message>
        <source>Эту операцию невозможно выполнить в частотном режиме. Отключите ненадолго питание датчика и сделайте опрос сети</source>
        <translation>This operation is not possible in frequency mode. Switch the sensor power off for a moment and scan the line</translation>
    </message>
    <message>
        <source>Идёт обмен с датчиком: запись из файла не показана</source>
        <translation>Talking to a sensor: the recording from the file is not shown</translation>
    </message>
    <message>
        <source>Произошел опрос сети.</source>
        <translation>Line scanned.</translation>
    </message>
    <message>
        <source>Адрес %1 найден дважды: два датчика с одним адресом мешают друг другу. Оставьте на линии один из них и смените ему адрес.</source>
        <translation>Address %1 found twice: two sensors with one address disturb each other. Leave one of them on the line and change its address.</translation>
    </message>
    <message>
        <source> Получен С/Н и вер. прошивки</source>
        <translation> Got S/N and firmware version</translation>
    </message>
    <message>
        <source> Получены данные.</source>
        <translation> Data received.</translation>
    </message>
    <message>
        <source> Установлен нижний уровень.</source>
        <translation> Empty level set.</translation>
    </message>
    <message>
        <source> Установлен новый режим.</source>
        <translation> New mode set.</translation>
    </message>
    <message>
        <source> Установлен верхний уровень.</source>
        <translation> Full level set.</translation>
    </message>
    <message>
        <source> Установлен сетевой номер.</source>
        <translation> Network address set.</translation>
    </message>
    <message>
        <source>Установлен серийный номер.</source>
        <translation>Serial number set.</translation>
    </message>
    <message>
        <source>Сдвинут нижний уровень.</source>
        <translation>Empty level shifted.</translation>
    </message>
    <message>
        <source>Сдвинут верхний уровень.</source>
        <translation>Full level shifted.</translation>
    </message>
    <message>
        <source>Уст. новый уровень ав. ост. топлива.</source>
        <translation>New low-fuel alarm level set.</translation>
    </message>
    <message>
        <source>Пароль принят.</source>
        <translation>Password accepted.</translation>
    </message>
    <message>
        <source>Неверный пароль.</source>
        <translation>Wrong password.</translation>
    </message>
    <message>
        <source>Пароль изменен.</source>
        <translation>Password changed.</translation>
    </message>
    <message>
        <source>Пар.</source>
        <translation>Pass.</translation>
    </message>
    <message>
        <source>Директивно изменен нижний уровень.</source>
        <translation>Empty level changed directly.</translation>
    </message>
    <message>
        <source>Директивно изменен верхний уровень.</source>
        <translation>Full level changed directly.</translation>
    </message>
    <message>
        <source>Датчик в частотном режиме.</source>
        <translation>Sensor in frequency mode.</translation>
    </message>
    <message>
        <source>Частота</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <source>%1 Гц.</source>
        <translation>%1 Hz.</translation>
    </message>
    <message>
        <source>Установлена Тарир таблица.</source>
        <translation>Calibration table set.</translation>
    </message>
    <message>
        <source>Установлена Тарировочная таблица.</source>
        <translation>Calibration table set.</translation>
    </message>
    <message>
        <source>Установлен Горизонт.</source>
        <translation>Level-out set.</translation>
    </message>
    <message>
        <source>Ответ с неверной контрольной суммой, не принят.</source>
        <translation>Reply with a wrong checksum, not taken.</translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>%1 Гц</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>%1 В</source>
        <translation>%1 V</translation>
    </message>
    <message>
        <source>Внимание! Установка Пустой соотв. длине около %1 см.</source>
        <translation>Caution! This Empty setting matches a length of about %1 cm.</translation>
    </message>
    <message>
        <source>Пришли ошибочные данные</source>
        <translation>Wrong data received</translation>
    </message>
    <message>
        <source>Измените уровень пустого</source>
        <translation>Change the empty level</translation>
    </message>
    <message>
        <source>Измените уровень полного</source>
        <translation>Change the full level</translation>
    </message>
    <message>
        <source>В строке имеются символы не принадлежащие HEX</source>
        <translation>The string has characters that are not HEX</translation>
    </message>
    <message>
        <source>Введите числовой пароль:</source>
        <translation>Numeric password:</translation>
    </message>
    <message>
        <source>Сдвиг полного в У.Е</source>
        <translation>Full shift, units</translation>
    </message>
    <message>
        <source>Сдвиг пустого в У.Е</source>
        <translation>Empty shift, units</translation>
    </message>
    <message>
        <source>Установить в качестве полного</source>
        <translation>Set as full</translation>
    </message>
    <message>
        <source>Установить в качестве пустого</source>
        <translation>Set as empty</translation>
    </message>
    <message>
        <source>Установить в качестве пароля доступа</source>
        <translation>Set as access password</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Нет такого файла</source>
        <translation>No such file</translation>
    </message>
    <message>
        <source>след. запись</source>
        <translation>next record</translation>
    </message>
    <message>
        <source>больше записей нет</source>
        <translation>no more records</translation>
    </message>
    <message>
        <source>Порт открыт: чтение из файла прервано</source>
        <translation>Port open: reading from the file stopped</translation>
    </message>
    <message>
        <source>Запись не начата: %1</source>
        <translation>Recording not started: %1</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 больше 1 ГБ.</source>
        <translation>%1 is over 1 GB.</translation>
    </message>
    <message>
        <source>%1 содержит не запись показаний.</source>
        <translation>%1 does not hold a recording of readings.</translation>
    </message>
    <message>
        <source>файл достиг 1 ГБ</source>
        <translation>the file reached 1 GB</translation>
    </message>
    <message>
        <source>Запись в CSV остановлена: %1: %2. Записанное сохранено.</source>
        <translation>CSV recording stopped: %1: %2. What was recorded is kept.</translation>
    </message>
    <message>
        <source>стабильно, разброс %1</source>
        <translation>steady, spread %1</translation>
    </message>
    <message>
        <source>меняется, разброс %1</source>
        <translation>changing, spread %1</translation>
    </message>
    <message>
        <source>Неверное значение порции</source>
        <translation>Wrong portion value</translation>
    </message>
    <message>
        <source>Ввод порции тарировки</source>
        <translation>Calibration portion</translation>
    </message>
    <message>
        <source>Автотарировка</source>
        <translation>Auto-calibration</translation>
    </message>
    <message>
        <source>в файле нет строки заголовка</source>
        <translation>the file has no header line</translation>
    </message>
    <message>
        <source>файл не найден</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>ошибка записи</source>
        <translation>write error</translation>
    </message>
    <message>
        <source>Схранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>в строке %1 нет двух &quot;;&quot;</source>
        <translation>line %1 lacks two &quot;;&quot;</translation>
    </message>
    <message>
        <source>слишком много строк</source>
        <translation>too many lines</translation>
    </message>
    <message>
        <source>литры в строке 2 не число</source>
        <translation>the litres in line 2 are not a number</translation>
    </message>
    <message>
        <source>литры последних двух точек не дают порцию</source>
        <translation>the litres of the last two points give no portion</translation>
    </message>
    <message>
        <source>нет файла для записи</source>
        <translation>no file to write to</translation>
    </message>
    <message>
        <source>номер строки или литры выходят за пределы</source>
        <translation>the line number or the litres are out of range</translation>
    </message>
    <message>
        <source>Точка %1 не записана в файл %2: %3</source>
        <translation>Point %1 not written to the file %2: %3</translation>
    </message>
    <message>
        <source>Контрольная заправка</source>
        <translation>Check refuel</translation>
    </message>
    <message>
        <source>Уровень не известен: датчик не отвечает или не выбран.</source>
        <translation>The level is not known: the sensor does not answer or is not selected.</translation>
    </message>
    <message>
        <source>Уровень до: %1. Залейте топливо, дождитесь, пока уровень успокоится, и нажмите ещё раз.</source>
        <translation>Level before: %1. Pour in the fuel, wait until the level settles, and press again.</translation>
    </message>
    <message>
        <source>Сколько литров залито?</source>
        <translation>How many litres were poured in?</translation>
    </message>
    <message>
        <source>Неверное количество литров: %1</source>
        <translation>Wrong number of litres: %1</translation>
    </message>
    <message>
        <source>Таблица в окне таблицы не годится для пересчёта: %1</source>
        <translation>The table in the table window cannot be used for conversion: %1</translation>
    </message>
    <message>
        <source>датчик %1</source>
        <translation>sensor %1</translation>
    </message>
    <message>
        <source>Таблица не записана: строка %1, %2 &quot;%3&quot; - нужно целое число от 0 до %4.</source>
        <translation>Table not written: row %1, %2 &quot;%3&quot; - needs a whole number from 0 to %4.</translation>
    </message>
    <message>
        <source>показания</source>
        <translation>reading</translation>
    </message>
    <message>
        <source>литры</source>
        <translation>litres</translation>
    </message>
    <message>
        <source>Прочитана таблица.</source>
        <translation>Table read.</translation>
    </message>
    <message>
        <source>Таблица не экспортирована: %1</source>
        <translation>Table not exported: %1</translation>
    </message>
    <message>
        <source>Экспорт таблицы</source>
        <translation>Export table</translation>
    </message>
    <message>
        <source>Таблица не экспортирована в файл %1: %2</source>
        <translation>Table not exported to %1: %2</translation>
    </message>
    <message>
        <source>Импорт таблицы</source>
        <translation>Import table</translation>
    </message>
    <message>
        <source>Не удалось прочитать файл таблицы %1: %2. Таблица не изменена.</source>
        <translation>Could not read the table file %1: %2. Table not changed.</translation>
    </message>
    <message>
        <source>Таблица не сохранена в файл %1: %2</source>
        <translation>Table not saved to %1: %2</translation>
    </message>
    <message>
        <source>Отключите питание датчика</source>
        <translation>Switch the sensor power off</translation>
    </message>
    <message>
        <source>Включите питание датчика: ждём ответа загрузчика до %1 с</source>
        <translation>Switch the sensor power on: waiting up to %1 s for the loader</translation>
    </message>
    <message>
        <source>Идёт прошивка. Не отключайте питание датчика</source>
        <translation>Uploading. Do not switch the sensor power off</translation>
    </message>
    <message>
        <source>Проверка записанного. Не отключайте питание датчика</source>
        <translation>Verifying. Do not switch the sensor power off</translation>
    </message>
    <message>
        <source>Прошивка не завершена: датчик остался в загрузчике, повторите прошивку.</source>
        <translation>Upload not finished: the sensor stayed in its loader; upload again.</translation>
    </message>
    <message>
        <source>Прошивка записана, но датчик не запустился: выключите и включите питание датчика.</source>
        <translation>Firmware written, but the sensor did not start: switch the sensor power off and on.</translation>
    </message>
    <message>
        <source>Прошиваем !  </source>
        <translation>Uploading!  </translation>
    </message>
    <message>
        <source>-----Готово------</source>
        <translation>-----Done------</translation>
    </message>
    <message>
        <source>Ошибка 1F !!!!</source>
        <translation>Error 1F !!!!</translation>
    </message>
    <message>
        <source>Ошибка записи в порт</source>
        <translation>Error writing to the port</translation>
    </message>
    <message>
        <source>-----Записано и проверено, но датчик не запустился: выключите и включите питание------</source>
        <translation>-----Written and verified, but the sensor did not start: switch the power off and on------</translation>
    </message>
    <message>
        <source>-----Записано без проверки, но датчик не запустился: выключите и включите питание------</source>
        <translation>-----Written without verifying, but the sensor did not start: switch the power off and on------</translation>
    </message>
    <message>
        <source>Записано без проверки чтением: загрузчик датчика не позволяет читать память.</source>
        <translation>Written without read-back: the sensor loader does not allow reading its memory.</translation>
    </message>
    <message>
        <source>Загрузчик датчика перестал давать читать память: записанное не проверено.</source>
        <translation>The sensor loader stopped allowing reads: what was written is not verified.</translation>
    </message>
    <message>
        <source>это не файл</source>
        <translation>not a file</translation>
    </message>
    <message>
        <source>файл не открывается</source>
        <translation>the file does not open</translation>
    </message>
    <message>
        <source>ссылка ведёт к файлу, которого нет</source>
        <translation>the link points to a file that does not exist</translation>
    </message>
    <message>
        <source>диск заполнен</source>
        <translation>disk full</translation>
    </message>
    <message>
        <source>файл достиг предельного размера</source>
        <translation>the file reached its size limit</translation>
    </message>
    <message>
        <source>файл удалён или перемещён</source>
        <translation>the file was deleted or moved</translation>
    </message>
    <message>
        <source>файл больше %1 байт</source>
        <translation>the file is larger than %1 bytes</translation>
    </message>
    <message>
        <source>Блок %1 (адрес 0x%2) не записан и в прошлой попытке: память датчика в этом месте изношена. Не повторяйте прошивку: датчик нужно заменить или отправить производителю.</source>
        <translation>Block %1 (address 0x%2) not written, as in the last attempt: the sensor memory is worn out there. Do not upload again: replace the sensor or send it to the manufacturer.</translation>
    </message>
    <message>
        <source>Блок %1 (адрес 0x%2) не записан. Повторите прошивку один раз; если этот блок не запишется снова, память датчика в этом месте изношена.</source>
        <translation>Block %1 (address 0x%2) not written. Upload once more; if this block fails again, the sensor memory is worn out there.</translation>
    </message>
    <message>
        <source>Проверка %1 из %2. Не отключайте питание датчика</source>
        <translation>Verifying %1 of %2. Do not switch the sensor power off</translation>
    </message>
    <message>
        <source>Запись %1 из %2. Не отключайте питание датчика</source>
        <translation>Writing %1 of %2. Do not switch the sensor power off</translation>
    </message>
    <message>
        <source>Проверка %1 из %2, датчик %3. Не отключайте питание датчика</source>
        <translation>Verifying %1 of %2, sensor %3. Do not switch the sensor power off</translation>
    </message>
    <message>
        <source>Запись %1 из %2, датчик %3. Не отключайте питание датчика</source>
        <translation>Writing %1 of %2, sensor %3. Do not switch the sensor power off</translation>
    </message>
    <message>
        <source>Порт %1 пропал во время прошивки, блок %2 не записан. Подключите адаптер и повторите прошивку.</source>
        <translation>Port %1 went away during the upload; block %2 was not written. Plug the adapter back in and upload again.</translation>
    </message>
    <message>
        <source>Порт %1 потерян, ожидание его возвращения…</source>
        <translation>Port %1 lost, waiting for it to come back…</translation>
    </message>
    <message>
        <source>Порт %1 снова открыт</source>
        <translation>Port %1 open again</translation>
    </message>
    <message>
        <source>поле &quot;%1&quot;: нужно целое число от %2 до %3</source>
        <translation>field &quot;%1&quot;: needs a whole number from %2 to %3</translation>
    </message>
    <message>
        <source>нет поля &quot;%1&quot;</source>
        <translation>no field &quot;%1&quot;</translation>
    </message>
    <message>
        <source>поле &quot;table&quot;: нужно 20 пар [показания, литры], каждое число от 0 до %1</source>
        <translation>field &quot;table&quot;: needs 20 pairs [reading, litres], each number from 0 to %1</translation>
    </message>
    <message>
        <source>поле &quot;%1&quot; бывает только у прошивки %2 и новее, а профиль снят с %3</source>
        <translation>field &quot;%1&quot; exists only from firmware %2 on, but the profile was taken from %3</translation>
    </message>
    <message>
        <source>Пустой</source>
        <translation>Empty</translation>
    </message>
    <message>
        <source>Полный</source>
        <translation>Full</translation>
    </message>
    <message>
        <source>Порог лампы</source>
        <translation>Lamp threshold</translation>
    </message>
    <message>
        <source>Таблица</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>Режим</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Расширенный режим</source>
        <translation>Extended mode</translation>
    </message>
    <message>
        <source>это не JSON (%1, позиция %2)</source>
        <translation>not JSON (%1, position %2)</translation>
    </message>
    <message>
        <source>поле &quot;%1&quot; дано дважды</source>
        <translation>field &quot;%1&quot; given twice</translation>
    </message>
    <message>
        <source>это не профиль: нужен объект JSON</source>
        <translation>not a profile: a JSON object is needed</translation>
    </message>
    <message>
        <source>это не профиль: &quot;format&quot; не &quot;%1&quot;</source>
        <translation>not a profile: &quot;format&quot; is not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>версия профиля не %1: этот формат не поддерживается</source>
        <translation>profile version is not %1: this format is not supported</translation>
    </message>
    <message>
        <source>%1: после записи отличается</source>
        <translation>%1: differs after writing</translation>
    </message>
    <message>
        <source>%1: записано</source>
        <translation>%1: written</translation>
    </message>
    <message>
        <source>%1: не записано: %2</source>
        <translation>%1: not written: %2</translation>
    </message>
    <message>
        <source>%1: не записано</source>
        <translation>%1: not written</translation>
    </message>
    <message>
        <source>Проверка не выполнена: %1</source>
        <translation>Check not done: %1</translation>
    </message>
    <message>
        <source>Профиль %1 не принят: %2</source>
        <translation>Profile %1 not accepted: %2</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
    <message>
        <source>Датчик не сообщил свои настройки.</source>
        <translation>The sensor did not report its settings.</translation>
    </message>
    <message>
        <source>Пустой: %1 → %2</source>
        <translation>Empty: %1 → %2</translation>
    </message>
    <message>
        <source>Полный: %1 → %2</source>
        <translation>Full: %1 → %2</translation>
    </message>
    <message>
        <source>Порог лампы: %1 → %2</source>
        <translation>Lamp threshold: %1 → %2</translation>
    </message>
    <message>
        <source>Режим: %1 → %2</source>
        <translation>Mode: %1 → %2</translation>
    </message>
    <message>
        <source>Расширенный режим: %1 → %2</source>
        <translation>Extended mode: %1 → %2</translation>
    </message>
    <message>
        <source>%1: нет у датчика</source>
        <translation>%1: the sensor has none</translation>
    </message>
    <message>
        <source>%1: строки %2</source>
        <translation>%1: rows %2</translation>
    </message>
    <message>
        <source>%1: строка %2</source>
        <translation>%1: row %2</translation>
    </message>
    <message>
        <source>нужна прошивка %1 или новее, у датчика %2</source>
        <translation>needs firmware %1 or newer, the sensor has %2</translation>
    </message>
    <message>
        <source>байт режима %1 не называет выход датчика</source>
        <translation>mode byte %1 names no sensor output</translation>
    </message>
    <message>
        <source>Сейчас настройки датчика будут изменены по профилю. Вы уверены что это нужно?</source>
        <translation>The sensor settings are about to be changed to the profile. Are you sure?</translation>
    </message>
    <message>
        <source>Профили (*.json)</source>
        <translation>Profiles (*.json)</translation>
    </message>
    <message>
        <source>Идёт работа с профилем, дождитесь её конца.</source>
        <translation>A profile job is running, wait for it to finish.</translation>
    </message>
    <message>
        <source>запрос не отправлен</source>
        <translation>request not sent</translation>
    </message>
    <message>
        <source>Сохранить профиль</source>
        <translation>Save profile</translation>
    </message>
    <message>
        <source>Профиль не сохранён в файл %1: %2</source>
        <translation>Profile not saved to the file %1: %2</translation>
    </message>
    <message>
        <source>Профиль не сохранён: %1</source>
        <translation>Profile not saved: %1</translation>
    </message>
    <message>
        <source>Профиль сохранён: %1</source>
        <translation>Profile saved: %1</translation>
    </message>
    <message>
        <source>Сравнить с профилем</source>
        <translation>Compare with profile</translation>
    </message>
    <message>
        <source>Датчик не прочитан: %1</source>
        <translation>Sensor not read: %1</translation>
    </message>
    <message>
        <source>Датчик совпадает с профилем.</source>
        <translation>The sensor matches the profile.</translation>
    </message>
    <message>
        <source>Отличия от профиля (датчик → профиль):
%1</source>
        <translation>Differences from the profile (sensor → profile):
%1</translation>
    </message>
    <message>
        <source>Профиль применён.
%1</source>
        <translation>Profile applied.
%1</translation>
    </message>
    <message>
        <source>Профиль применён не полностью.
%1</source>
        <translation>Profile applied only in part.
%1</translation>
    </message>
    <message>
        <source>нет ответа</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>Применить профиль</source>
        <translation>Apply profile</translation>
    </message>
    <message>
        <source>Профиль не применён: %1</source>
        <translation>Profile not applied: %1</translation>
    </message>
    <message>
        <source>Датчик совпадает с профилем, записывать нечего.</source>
        <translation>The sensor matches the profile, nothing to write.</translation>
    </message>
    <message>
        <source>%1

Изменится (датчик → профиль):
%2</source>
        <translation>%1

Will change (sensor → profile):
%2</translation>
    </message>
    <message>
        <source>%1: загрузчик отказал.</source>
        <translation>%1: the loader refused.</translation>
    </message>
    <message>
        <source>%1: загрузчик не ответил.</source>
        <translation>%1: the loader did not answer.</translation>
    </message>
    <message>
        <source>-----Прервано------</source>
        <translation>-----Stopped------</translation>
    </message>
    <message>
        <source>-----Прервано, блок %1------</source>
        <translation>-----Stopped, block %1------</translation>
    </message>
    <message>
        <source>-----Прошивка не удалась------</source>
        <translation>-----Upload failed------</translation>
    </message>
    <message>
        <source>-----Прошивка не удалась, блок %1------</source>
        <translation>-----Upload failed, block %1------</translation>
    </message>
    <message>
        <source>Датчик не ответил за %1 с. Отключите питание датчика, нажмите &quot;Пуск&quot; и включите питание.</source>
        <translation>The sensor did not answer within %1 s. Switch the sensor power off, press &quot;Start&quot; and switch the power on.</translation>
    </message>
    <message>
        <source>Стирание памяти не подтверждено</source>
        <translation>Memory erase not confirmed</translation>
    </message>
    <message>
        <source>Стирание калибровок не подтверждено</source>
        <translation>Calibration erase not confirmed</translation>
    </message>
    <message>
        <source>Запись байта заголовка по адресу %1 не подтверждена</source>
        <translation>Header byte write at address %1 not confirmed</translation>
    </message>
    <message>
        <source> 31 %1,блок ошибка</source>
        <translation> 31 %1, block error</translation>
    </message>
    <message>
        <source>addr %1,блок ошибка</source>
        <translation>addr %1, block error</translation>
    </message>
    <message>
        <source> data %1,блок ошибка</source>
        <translation> data %1, block error</translation>
    </message>
    <message>
        <source>Блок %1 не прочитан для проверки</source>
        <translation>Block %1 not read back for verifying</translation>
    </message>
    <message>
        <source>Байты заголовка не прочитаны для проверки</source>
        <translation>Header bytes not read back for verifying</translation>
    </message>
    <message>
        <source>-----Проверка не прошла, блок %1------</source>
        <translation>-----Verify failed, block %1------</translation>
    </message>
    <message>
        <source>-----Проверка не прошла------</source>
        <translation>-----Verify failed------</translation>
    </message>
    <message>
        <source>Блок %1 в датчике не совпадает с файлом</source>
        <translation>Block %1 in the sensor differs from the file</translation>
    </message>
    <message>
        <source>Байты заголовка в датчике не совпадают с файлом</source>
        <translation>Header bytes in the sensor differ from the file</translation>
    </message>
    <message>
        <source>Выберите файл прошивки кнопкой &quot;Открыть файл&quot;.</source>
        <translation>Choose the firmware file with &quot;Open file&quot;.</translation>
    </message>
    <message>
        <source>Не удалось открыть файл прошивки %1: %2.</source>
        <translation>Could not open the firmware file %1: %2.</translation>
    </message>
    <message>
        <source>Неверный адрес порта %1: %2. Пишите tcp://ХОСТ:ПОРТ или rfc2217://ХОСТ:ПОРТ.</source>
        <translation>Wrong port address %1: %2. Write tcp://HOST:PORT or rfc2217://HOST:PORT.</translation>
    </message>
    <message>
        <source>нет схемы</source>
        <translation>no scheme</translation>
    </message>
    <message>
        <source>неизвестная схема «%1»</source>
        <translation>unknown scheme &quot;%1&quot;</translation>
    </message>
    <message>
        <source>нет закрывающей скобки</source>
        <translation>no closing bracket</translation>
    </message>
    <message>
        <source>нет номера порта</source>
        <translation>no port number</translation>
    </message>
    <message>
        <source>в скобках не адрес IPv6</source>
        <translation>not an IPv6 address in the brackets</translation>
    </message>
    <message>
        <source>адрес IPv6 пишется в скобках</source>
        <translation>an IPv6 address goes in brackets</translation>
    </message>
    <message>
        <source>имя узла длиннее %1 знаков</source>
        <translation>host name longer than %1 characters</translation>
    </message>
    <message>
        <source>неверное имя узла</source>
        <translation>bad host name</translation>
    </message>
    <message>
        <source>номер порта не число</source>
        <translation>port number is not a number</translation>
    </message>
    <message>
        <source>номер порта вне 1..65535</source>
        <translation>port number outside 1..65535</translation>
    </message>
    <message>
        <source>сервер не подтвердил настройку порта %1 за %2 с</source>
        <translation>the server did not confirm the port setting %1 within %2 s</translation>
    </message>
    <message>
        <source>нет соединения за %1 с</source>
        <translation>no connection within %1 s</translation>
    </message>
    <message>
        <source>Адрес %1: %2.</source>
        <translation>Address %1: %2.</translation>
    </message>
    <message>
        <source>узел %1 не найден</source>
        <translation>host %1 not found</translation>
    </message>
    <message>
        <source>соединение отвергнуто</source>
        <translation>connection refused</translation>
    </message>
    <message>
        <source>сервер закрыл соединение</source>
        <translation>the server closed the connection</translation>
    </message>
    <message>
        <source>сервер без конца шлёт команды telnet</source>
        <translation>the server keeps sending telnet commands</translation>
    </message>
    <message>
        <source>сервер не принимает настройку порта (RFC 2217)</source>
        <translation>the server does not take port settings (RFC 2217)</translation>
    </message>
    <message>
        <source>сервер не установил порт %1</source>
        <translation>the server did not set the port to %1</translation>
    </message>
    <message>
        <source>соединение прервано</source>
        <translation>connection broken off</translation>
    </message>
    <message>
        <source>соединение потеряно (сервер без конца шлёт команды telnet)</source>
        <translation>connection lost (the server keeps sending telnet commands)</translation>
    </message>
    <message>
        <source>соединение потеряно</source>
        <translation>connection lost</translation>
    </message>
    <message>
        <source>Строка %1: %2</source>
        <translation>Line %1: %2</translation>
    </message>
    <message>
        <source>%1-%2 (уровень %3)</source>
        <translation>%1-%2 (level %3)</translation>
    </message>
    <message>
        <source>нет двух &quot;;&quot;</source>
        <translation>no two &quot;;&quot;</translation>
    </message>
    <message>
        <source>литры &quot;%1&quot; не целое число</source>
        <translation>litres &quot;%1&quot; is not a whole number</translation>
    </message>
    <message>
        <source>значение вне 0..%1</source>
        <translation>value outside 0..%1</translation>
    </message>
    <message>
        <source>уровень %1 ниже, чем в строке %2 (%3)</source>
        <translation>level %1 is lower than on line %2 (%3)</translation>
    </message>
    <message>
        <source>литров %1 меньше, чем в строке %2 (%3)</source>
        <translation>litres %1 are fewer than on line %2 (%3)</translation>
    </message>
    <message>
        <source>В записи меньше двух строк с уровнем: таблицу не из чего строить.</source>
        <translation>The recording has fewer than two lines with a level: there is nothing to build a table from.</translation>
    </message>
    <message>
        <source>Пропущены строки, где уровень не число: %1.</source>
        <translation>Lines whose level is not a number were skipped: %1.</translation>
    </message>
    <message>
        <source>Строки с одним уровнем слиты, взята последняя: %1.</source>
        <translation>Lines with the same level were merged, the last one taken: %1.</translation>
    </message>
    <message>
        <source>Таблица должна состоять из %1 байт, пришло %2.</source>
        <translation>A table must be %1 bytes, %2 came.</translation>
    </message>
    <message>
        <source>В таблице значение %1 больше %2.</source>
        <translation>The table holds value %1, over %2.</translation>
    </message>
    <message>
        <source>В таблице должно быть %1 значений.</source>
        <translation>A table must hold %1 values.</translation>
    </message>
    <message>
        <source>Точка %1, %2: &quot;%3&quot; не целое число от 0 до %4.</source>
        <translation>Point %1, %2: &quot;%3&quot; is not a whole number from 0 to %4.</translation>
    </message>
    <message>
        <source>показания датчика</source>
        <translation>sensor reading</translation>
    </message>
    <message>
        <source>В файле таблицы %1 строк, а должно быть кратно %2. Файл не загружен.</source>
        <translation>The table file has %1 lines; it must be a multiple of %2. File not loaded.</translation>
    </message>
    <message>
        <source>Файл слишком велик для образа прошивки.</source>
        <translation>The file is too large for a firmware image.</translation>
    </message>
    <message>
        <source>Файл короче образа прошивки: в нём нет начала программы.</source>
        <translation>The file is shorter than a firmware image: it lacks the start of the program.</translation>
    </message>
    <message>
        <source> Файл поврежден </source>
        <translation> The file is damaged </translation>
    </message>
    <message>
        <source>В таблице меньше двух точек.</source>
        <translation>The table has fewer than two points.</translation>
    </message>
    <message>
        <source>показания %1 не целое число</source>
        <translation>reading %1 is not a whole number</translation>
    </message>
    <message>
        <source>нет заголовка reading;litres</source>
        <translation>no reading;litres header</translation>
    </message>
    <message>
        <source>нужно два числа: показания и литры</source>
        <translation>two numbers needed: reading and litres</translation>
    </message>
    <message>
        <source>&quot;%1&quot; не два числа</source>
        <translation>&quot;%1&quot; is not two numbers</translation>
    </message>
    <message>
        <source>не JSON: %1</source>
        <translation>not JSON: %1</translation>
    </message>
    <message>
        <source>нужен массив [...]</source>
        <translation>an array [...] is needed</translation>
    </message>
    <message>
        <source>нет числа &quot;%1&quot;</source>
        <translation>no number &quot;%1&quot;</translation>
    </message>
    <message>
        <source>отрезок не доходит до следующей точки</source>
        <translation>the segment does not reach the next point</translation>
    </message>
    <message>
        <source>Точка %1 таблицы: %2</source>
        <translation>Table point %1: %2</translation>
    </message>
    <message>
        <source>в таблице нет литров</source>
        <translation>the table has no litres</translation>
    </message>
    <message>
        <source>годно</source>
        <translation>pass</translation>
    </message>
    <message>
        <source>не годно</source>
        <translation>fail</translation>
    </message>
    <message>
        <source>Уровень до %1, после %2; залито %3 л, по таблице %4 л; разница %5 л (%6 % от %7 л), допуск %8 %: %9</source>
        <translation>Level before %1, after %2; filled %3 l, by table %4 l; difference %5 l (%6 % of %7 l), tolerance %8 %: %9</translation>
    </message>
    <message>
        <source>Нет такой операции</source>
        <translation>No such operation</translation>
    </message>
    <message>
        <source>Ответ короче %1 байт (%2).</source>
        <translation>Reply shorter than %1 bytes (%2).</translation>
    </message>
    <message>
        <source>Ответ с таблицей должен быть %1 байта, пришло %2.</source>
        <translation>A table reply must be %1 bytes, %2 came.</translation>
    </message>
    <message>
        <source>Значение %1 вне диапазона %2..%3</source>
        <translation>Value %1 outside the range %2..%3</translation>
    </message>
    <message>
        <source>Введите значение уровня в диапазоне 0....2 000 000 000</source>
        <translation>Enter a level from 0 to 2 000 000 000</translation>
    </message>
    <message>
        <source>Значения могут быть от -1000 до 1000</source>
        <translation>Values may be from -1000 to 1000</translation>
    </message>
    <message>
        <source>Значения могут быть от 1 до 99</source>
        <translation>Values may be from 1 to 99</translation>
    </message>
    <message>
        <source>Введите число в диапазоне 0....255</source>
        <translation>Enter a number from 0 to 255</translation>
    </message>
    <message>
        <source>Введите числовой пароль в диапазоне 0....2 000 000 000</source>
        <translation>Enter a numeric password from 0 to 2 000 000 000</translation>
    </message>
    <message>
        <source>Точки занимают слишком мало показаний: в таблице должно быть %1 разных.</source>
        <translation>The points span too few readings: a table needs %1 different ones.</translation>
    </message>
    <message>
        <source>показания %1 не больше предыдущих %2</source>
        <translation>reading %1 is not above the previous %2</translation>
    </message>
    <message>
        <source>литры %1 меньше предыдущих %2</source>
        <translation>litres %1 are fewer than the previous %2</translation>
    </message>
    <message>
        <source>выход неизвестен</source>
        <translation>output unknown</translation>
    </message>
    <message>
        <source>аналоговый</source>
        <translation>analog</translation>
    </message>
    <message>
        <source>частотный</source>
        <translation>frequency</translation>
    </message>
    <message>
        <source>периодический</source>
        <translation>periodic</translation>
    </message>
    <message>
        <source>периодический RS485</source>
        <translation>periodic RS485</translation>
    </message>
    <message>
        <source>инверсия индикатора</source>
        <translation>indicator inverted</translation>
    </message>
    <message>
        <source>сглаживание</source>
        <translation>smoothing</translation>
    </message>
    <message>
        <source>диапазон 4096</source>
        <translation>range 4096</translation>
    </message>
    <message>
        <source>пересчёт в литры</source>
        <translation>in litres</translation>
    </message>
    <message>
        <source>пересчёт в проценты</source>
        <translation>in percent</translation>
    </message>
    <message>
        <source>сглаживание %1</source>
        <translation>smoothing %1</translation>
    </message>
    <message>
        <source>термокомпенсация откл.</source>
        <translation>temperature compensation off</translation>
    </message>
    <message>
        <source>термокомпенсация вкл.</source>
        <translation>temperature compensation on</translation>
    </message>
    <message>
        <source>угол</source>
        <translation>tilt</translation>
    </message>
    <message>
        <source>качество</source>
        <translation>quality</translation>
    </message>
    <message>
        <source>Профиль применён. %1</source>
        <translation>Profile applied. %1</translation>
    </message>
    <message>
        <source>Профиль применён не полностью. %1</source>
        <translation>Profile applied only in part. %1</translation>
    </message>
    <message>
        <source>Отрезки JSON (*.json)</source>
        <translation>JSON segments (*.json)</translation>
    </message>
</context>
<context>
    <name>Splash</name>
    <message>
        <source>Конфигуратор датчиков уровня топлива</source>
        <translation>Fuel-level sensor configurator</translation>
    </message>
</context>
<context>
    <name>TableWindow</name>
    <message>
        <source>Чтение таблицы из датчика…</source>
        <translation>Reading the table from the sensor…</translation>
    </message>
    <message>
        <source> — чтение: </source>
        <translation> — reading: </translation>
    </message>
</context>
<context>
    <name>TrendWindow</name>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>Текущий</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>Темп-ра</source>
        <translation>Temp.</translation>
    </message>
    <message>
        <source>График</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>Окно:</source>
        <translation>Window:</translation>
    </message>
    <message>
        <source>1 мин</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>10 мин</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>1 ч</source>
        <translation>1 h</translation>
    </message>
    <message>
        <source>Всё</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Сохранить график…</source>
        <translation>Save chart…</translation>
    </message>
    <message>
        <source>Следить</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>Стабильность по %1 ответам: </source>
        <translation>Stability over %1 replies: </translation>
    </message>
    <message>
        <source>Остановить запись</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>Записывать в CSV…</source>
        <translation>Record to CSV…</translation>
    </message>
    <message>
        <source>Запись: %1 (строк: %2)</source>
        <translation>Recording: %1 (rows: %2)</translation>
    </message>
    <message>
        <source>  нет данных</source>
        <translation>  no data</translation>
    </message>
    <message>
        <source>  адрес %1</source>
        <translation>  address %1</translation>
    </message>
    <message>
        <source>Записывать в CSV</source>
        <translation>Record to CSV</translation>
    </message>
    <message>
        <source>Нет данных</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>Адрес %1</source>
        <translation>Address %1</translation>
    </message>
    <message>
        <source>, С/Н %1</source>
        <translation>, S/N %1</translation>
    </message>
    <message>
        <source>Сохранить график</source>
        <translation>Save chart</translation>
    </message>
    <message>
        <source>График не сохранён: %1: %2</source>
        <translation>Chart not saved: %1: %2</translation>
    </message>
</context>
</TS>
